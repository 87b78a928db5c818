#!/bin/sh
# Draws the panel's pictures with ImageMagick. The PNG/BMP files are kept in
# the repository; run this only to change them:
#   sh resources/draw_pictures.sh
set -e
here=$(cd "$(dirname "$0")" && pwd)
lib="$here/../ov9174/softfrontpanel_lib"
font=DejaVu-Sans
bold=DejaVu-Sans-Bold

# Splash background, 520 x 400: a dark-blue gradient behind the card picture
# (drawn at (67, 43)) and a light band below it for the texts, which the
# splash builder draws in the painter's default (black) pen from x = 87:
# title near y = 249, description from y = 290, copyright near y = 372.
convert -size 520x242 gradient:'#0d1b3d-#23468c' \
    \( -size 800x800 radial-gradient:'#3b67b8-none' -geometry -100-400 \) -compose over -composite \
    \( -size 520x158 gradient:'#f5f8fd-#d6e1f2' \) -append \
    -fill '#4f86d9' -draw 'rectangle 0,240 519,242' \
    -fill '#4f86d9' -draw 'rectangle 0,0 6,399' \
    -fill '#8fb4ee' -draw 'rectangle 7,0 8,399' \
    -fill none -stroke '#9db3d8' -strokewidth 1 -draw 'line 87,364 500,364' \
    -stroke none -fill '#9ab8e8' -font $bold -pointsize 11 -draw "text 20,30 'SOFT FRONT PANEL'" \
    -depth 8 -strip "$here/fp_splash.png"

# The 16-channel conditioning card, 452 x 194, transparent around the board.
{
    echo "fill '#1d5e37' stroke '#0f3a20' stroke-width 2 roundrectangle 38,14 440,182 8,8"
    # front panel bracket
    echo "fill '#b9c0c8' stroke '#6d757e' stroke-width 1 rectangle 6,4 36,190"
    echo "fill '#8c949d' stroke none rectangle 9,8 12,186"
    echo "fill '#3a3f45' stroke none circle 21,16 21,12 circle 21,178 21,174"
    # 16 input terminal blocks along the front
    i=0
    while [ $i -lt 16 ]; do
        y=$((26 + i * 9))
        echo "fill '#2d7be0' stroke '#154a8f' stroke-width 1 rectangle 40,$y 62,$((y + 7))"
        echo "fill '#d9d9d9' stroke none rectangle 42,$((y + 2)) 45,$((y + 5)) rectangle 50,$((y + 2)) 53,$((y + 5))"
        echo "stroke '#c9a227' stroke-width 1 line 62,$((y + 4)) $((120 + (i % 4) * 4)),$((y + 4))"
        i=$((i + 1))
    done
    # four input amplifier rows of four channels
    r=0
    while [ $r -lt 4 ]; do
        y=$((26 + r * 36))
        c=0
        while [ $c -lt 4 ]; do
            x=$((132 + c * 34))
            echo "fill '#1b1b1b' stroke '#555555' stroke-width 1 rectangle $x,$y $((x + 26)),$((y + 26))"
            echo "fill '#8a8a8a' stroke none circle $((x + 4)),$((y + 4)) $((x + 5)),$((y + 4))"
            c=$((c + 1))
        done
        r=$((r + 1))
    done
    # converters and controller
    echo "fill '#111111' stroke '#666666' stroke-width 1 rectangle 282,30 352,90"
    echo "fill '#111111' stroke '#666666' stroke-width 1 rectangle 282,110 352,160"
    echo "fill '#222222' stroke '#777777' stroke-width 1 rectangle 368,60 410,130"
    echo "stroke '#c9a227' stroke-width 1 line 270,40 282,40 line 270,60 282,60 line 270,80 282,80"
    echo "stroke '#c9a227' stroke-width 1 line 270,120 282,120 line 270,140 282,140 line 352,60 368,70 line 352,130 368,120"
    # backplane connector on the far edge
    echo "fill '#d6b23a' stroke '#8a6d12' stroke-width 1 rectangle 420,36 436,160"
    i=0
    while [ $i -lt 12 ]; do
        y=$((40 + i * 10))
        echo "fill '#7a5f10' stroke none rectangle 424,$y 432,$((y + 5))"
        i=$((i + 1))
    done
    # small parts
    i=0
    while [ $i -lt 8 ]; do
        x=$((290 + i * 8))
        echo "fill '#c4a878' stroke none rectangle $x,98 $((x + 4)),103"
        echo "fill '#5a7fa8' stroke none rectangle $x,168 $((x + 4)),173"
        i=$((i + 1))
    done
} > /tmp/ov7931_card.mvg
convert -size 452x194 xc:none -draw "$(cat /tmp/ov7931_card.mvg)" \
    -fill '#e8e8e8' -font $bold -pointsize 10 -draw "text 290,64 'KELTRI'" -draw "text 298,78 '7931'" \
    -fill '#d0d0d0' -font $font -pointsize 8 -draw "text 288,140 'ADC 16'" -draw "text 372,98 'CTRL'" \
    -fill '#1a1a1a' -font $bold -pointsize 9 -draw "rotate -90 text -150,24 'KELTRI 7931'" \
    -depth 8 -strip "$here/ov7931fp_splash.png"
rm -f /tmp/ov7931_card.mvg

# The maker's logo on the About box's dark-blue ground, 120 x 150.
convert -size 120x150 xc:'#1A2C5E' \
    -fill none -stroke '#ffffff' -strokewidth 7 -draw 'circle 60,58 60,24' \
    -stroke '#f2a23a' -strokewidth 4 -draw 'bezier 18,58 36,30 48,30 60,58' -draw 'bezier 60,58 72,86 84,86 102,58' \
    -stroke none -fill '#ffffff' -font $bold -pointsize 17 -gravity north -annotate +0+106 'ORVANE' \
    -fill '#9ab8e8' -font $font -pointsize 9 -annotate +0+129 'INSTRUMENTS' \
    -type TrueColor BMP3:"$lib/orvane-logo.bmp"

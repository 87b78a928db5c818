// The resource tree of the panel: splash pictures (":/fp_splash.png",
// ":/ov7931fp_splash.png"), the maker's logo and the licence texts
// (":/ov9174/softfrontpanel_lib/...").
#ifndef OV9174FP_RESOURCES_H
#define OV9174FP_RESOURCES_H

// Makes sure the resources compiled into the panel's static library are
// registered. They are also registered before main() in every program that
// links the main panel; calling this again does no harm.
void ov9174fp_initResources();

#endif

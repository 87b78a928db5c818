// The 16 x 16 window icon of the connection, selection and descriptor dialogs.
#ifndef OV9174FP_FCICON_H
#define OV9174FP_FCICON_H

#include <QIcon>

QIcon ov9174fp_fcWindowIcon();

#endif

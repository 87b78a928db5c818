// Tells the user about a settings file that could not be saved, once.
//
// At the end of a run the panel saves the same settings file several times
// (its own choices, then each channel's group); a file that cannot be written
// must be reported once with its path and reason, not sixteen times and not
// never. The box is shown on the GUI thread, titled "Keltri 7931 SFP", with
// the active window as parent.
#ifndef OV9174FP_SAVEPROBLEMS_H
#define OV9174FP_SAVEPROBLEMS_H

#include <QString>

namespace ov9174fp_saveProblems {

// The outcome of a save of `path`: an empty `message` is a success (a later
// failure of that file is reported again); a failure is shown unless one of
// the same file has been shown since its last success.
void report(const QString &path, const QString &message);

} // namespace ov9174fp_saveProblems

#endif

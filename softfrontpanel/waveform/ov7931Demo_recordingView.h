// Viewing a binary recording named on the command line: reading its header
// before the application object exists, locking the main panel and the
// channel panels to it once the window is up, and the acquisition poll's
// step that shows the block the slider stands at (in
// ov7931Demo_recordingView.cpp, a member of the waveform window).
// While a recording is viewed the panel runs as in demo mode and reads and
// writes no settings file.
#ifndef OV7931DEMO_RECORDINGVIEW_H
#define OV7931DEMO_RECORDINGVIEW_H

#include "recordingReader.h"

#include <QString>

#include <string>

class ov7931Demo_AppInterface;

// The recording being viewed; one per process.
recordingInfo &viewedRecording();

// What a start with one argument leads to.
enum class RecordingStart {
    Refused, // the box "Cannot read '%1'." was shown: the program ends with -1
    Live,    // the recording holds no data: the panel starts as without an argument
    View     // the recording is viewed
};

// Reads the header of `path` into viewedRecording(). With View, `subType`
// is the conditioning card's sub-type for the session.
RecordingStart openRecordingHeader(const std::string &path, QString *subType);

// The recorded device when it is one of the six sub-types, else "7931-BB".
QString recordingSubType(const std::string &device);

// After the application object has been built and shown: selects the
// recording's waveform length and sampling rate, sets every channel panel
// from the header and disables it, disables both selectors and shows the
// slider row (which shows block 1 at once) and the recording's overview;
// then sizes the window for the plots shown and centres it again. Returns
// false after the box "Error in file '%1'." when the panel does not offer
// the scans per block or the sampling rate: the program then ends with -1.
bool lockPanelToRecording(ov7931Demo_AppInterface *app, const recordingInfo &info);

#endif

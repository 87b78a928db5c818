#ifndef OV7931FP_MAIN_H
#define OV7931FP_MAIN_H

// The program's entry point, kept in the library so that tests can run it.
// Returns the process exit code: 0 after a normal end, -1 when the
// recording named by the one argument cannot be read or shown. A cancelled
// connection or a quit from an error box ends the process with 0 at once.
int ov7931fpMain(int argc, char *argv[]);

#endif

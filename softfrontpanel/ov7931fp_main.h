#ifndef OV7931FP_MAIN_H
#define OV7931FP_MAIN_H

// The program's entry point, kept in the library so that tests can run it.
int ov7931fpMain(int argc, char *argv[]);

#endif

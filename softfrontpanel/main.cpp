#include "ov7931fp_main.h"

int main(int argc, char *argv[])
{
    return ov7931fpMain(argc, argv);
}

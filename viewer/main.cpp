#include "viewer_run.h"

int main(int argc, char **argv)
{
    return RunViewer(argc, argv);
}

// One run of the viewer, from the command line to the exit status.
#ifndef KAVELIN_VIEWER_RUN_H
#define KAVELIN_VIEWER_RUN_H

// 0 for a run that completes, 1 for every failure.
int RunViewer(int argc, char **argv);

#endif

#include "settings.h"

char TraceNameBuffer[TraceNameBufferSize];
ViewerSettings Settings = {TraceNameBuffer, 0, 25, 0};
int Verbose = 0;

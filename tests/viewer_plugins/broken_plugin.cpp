// Plug-ins that lack one of the two exports, for the loader's failure paths.
// Built as noquery (no SourceIDQueryHandler_) and noevent (no TraceEventHandler_).
#include "kavelin_plugin.h"

namespace {
uint32_t Sources[] = {9};
}

#ifndef OMIT_QUERY
extern "C" KAVELIN_EXPORT void KAVELIN_CALL SourceIDQueryHandler_(uint32_t *count, uint32_t **ids)
{
    *count = 1;
    *ids = Sources;
}
#endif

#ifndef OMIT_EVENT
extern "C" KAVELIN_EXPORT int KAVELIN_CALL TraceEventHandler_(const EventHeader *, const uint8_t *,
                                                              const ViewerSettings *)
{
    return 0;
}
#endif

// A module with no export at all is not a plug-in either; keep one symbol so
// that both variants export something.
extern "C" KAVELIN_EXPORT int KAVELIN_CALL BrokenPluginMarker()
{
    return Sources[0];
}

// The 36-byte event header in front of every event of a trace and work file:
// nine 32-bit little-endian fields, read and written field by field.
#ifndef KAVELIN_EVENT_HEADER_H
#define KAVELIN_EVENT_HEADER_H

#include "kavelin_plugin.h"

#include <cstddef>
#include <cstdint>

inline constexpr std::size_t EventHeaderSize = 36;

EventHeader DecodeEventHeader(const uint8_t (&bytes)[EventHeaderSize]);
void EncodeEventHeader(const EventHeader &header, uint8_t (&bytes)[EventHeaderSize]);

#endif

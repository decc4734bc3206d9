#include "event_header.h"

namespace {

uint32_t Field(const uint8_t (&bytes)[EventHeaderSize], std::size_t index)
{
    const uint8_t *p = bytes + index * 4;
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

void PutField(uint8_t (&bytes)[EventHeaderSize], std::size_t index, uint32_t value)
{
    uint8_t *p = bytes + index * 4;
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
    p[2] = static_cast<uint8_t>(value >> 16);
    p[3] = static_cast<uint8_t>(value >> 24);
}

}  // namespace

static_assert(EventHeaderSize == sizeof(EventHeader), "the header record has no padding");

EventHeader DecodeEventHeader(const uint8_t (&bytes)[EventHeaderSize])
{
    EventHeader h;
    h.PrevOffset = Field(bytes, 0);
    h.EventNumber = static_cast<int32_t>(Field(bytes, 1));
    h.Source = Field(bytes, 2);
    h.Time = static_cast<int32_t>(Field(bytes, 3));
    h.Spare = Field(bytes, 4);
    h.Type = Field(bytes, 5);
    h.SubType = Field(bytes, 6);
    h.TracedSize = Field(bytes, 7);
    h.FullSize = Field(bytes, 8);
    return h;
}

void EncodeEventHeader(const EventHeader &h, uint8_t (&bytes)[EventHeaderSize])
{
    PutField(bytes, 0, h.PrevOffset);
    PutField(bytes, 1, static_cast<uint32_t>(h.EventNumber));
    PutField(bytes, 2, h.Source);
    PutField(bytes, 3, static_cast<uint32_t>(h.Time));
    PutField(bytes, 4, h.Spare);
    PutField(bytes, 5, h.Type);
    PutField(bytes, 6, h.SubType);
    PutField(bytes, 7, h.TracedSize);
    PutField(bytes, 8, h.FullSize);
}

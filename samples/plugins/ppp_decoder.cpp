// Sample decoder plug-in: PPP frames (trace source 0x21).
//
// Level 1 writes one summary line per frame; level 2 (and any level other
// than 1) writes every field, each option of the control protocols, the IP
// header and the rest of the frame in hexadecimal. Every read of the frame
// goes through FrameCursor, which never reads past the traced bytes: a frame
// cut short by the tracer is decoded as far as it goes and marked "(cut)".
#include "kavelin_plugin.h"

#include <cstdio>

namespace {

const uint32_t PppSource = 0x21;
uint32_t ClaimedSources[] = {PppSource};

class FrameCursor {
public:
    FrameCursor(const uint8_t *data, uint32_t size) : data_(data), size_(size) {}

    uint32_t Left() const { return size_ - position_; }
    uint32_t Position() const { return position_; }
    bool Cut() const { return cut_; }

    // Reads `count` bytes big-endian; false (and the cursor marked cut) when
    // fewer are left.
    bool Read(uint32_t count, uint32_t &value)
    {
        if (count > Left()) {
            cut_ = true;
            position_ = size_;
            return false;
        }
        value = 0;
        for (uint32_t i = 0; i < count; ++i)
            value = (value << 8) | data_[position_++];
        return true;
    }

    bool Peek(uint8_t &value) const
    {
        if (Left() == 0)
            return false;
        value = data_[position_];
        return true;
    }

    // A cursor over the next `count` bytes (fewer when fewer are left).
    FrameCursor Take(uint32_t count)
    {
        if (count > Left()) {
            cut_ = true;
            count = Left();
        }
        FrameCursor part(data_ + position_, count);
        position_ += count;
        return part;
    }

    // The bytes left, 16 to a line.
    void PrintHex(const char *indent)
    {
        if (position_ >= size_)
            return;
        for (uint32_t i = 0; position_ < size_; ++i, ++position_) {
            if (i % 16 == 0)
                std::printf("%s%s", i == 0 ? "" : "\n", indent);
            std::printf(i % 16 == 0 ? "%02X" : " %02X", data_[position_]);
        }
        std::printf("\n");
    }

private:
    const uint8_t *data_;
    uint32_t size_;
    uint32_t position_ = 0;
    bool cut_ = false;
};

const char *ProtocolName(uint32_t protocol)
{
    switch (protocol) {
    case 0x0021: return "IP";
    case 0x002B: return "IPX";
    case 0x0029: return "AppleTalk";
    case 0x8021: return "IPCP";
    case 0x802B: return "IPXCP";
    case 0x8029: return "ATCP";
    case 0xC021: return "LCP";
    case 0xC023: return "PAP";
    case 0xC223: return "CHAP";
    default: return nullptr;
    }
}

bool IsControlProtocol(uint32_t protocol)
{
    return protocol == 0xC021 || protocol == 0x8021 || protocol == 0x802B || protocol == 0x8029;
}

const char *ControlCodeName(uint32_t code)
{
    static const char *const names[] = {nullptr, "Configure-Request", "Configure-Ack", "Configure-Nak",
                                        "Configure-Reject", "Terminate-Request", "Terminate-Ack", "Code-Reject",
                                        "Protocol-Reject", "Echo-Request", "Echo-Reply", "Discard-Request"};
    return code < sizeof names / sizeof names[0] && names[code] ? names[code] : "Unknown";
}

const char *LcpOptionName(uint32_t type)
{
    switch (type) {
    case 1: return "Maximum-Receive-Unit";
    case 2: return "Async-Control-Character-Map";
    case 3: return "Authentication-Protocol";
    case 4: return "Quality-Protocol";
    case 5: return "Magic-Number";
    case 7: return "Protocol-Field-Compression";
    case 8: return "Address-and-Control-Field-Compression";
    default: return "Unknown";
    }
}

const char *IpcpOptionName(uint32_t type)
{
    switch (type) {
    case 2: return "IP-Compression-Protocol";
    case 3: return "IP-Address";
    case 129: return "Primary-DNS-Address";
    case 131: return "Secondary-DNS-Address";
    default: return "Unknown";
    }
}

void PrintOptions(FrameCursor options, uint32_t protocol)
{
    while (options.Left() > 0) {
        uint32_t type = 0, length = 0;
        if (!options.Read(1, type) || !options.Read(1, length)) {
            std::printf("    Option (cut)\n");
            return;
        }
        const char *name = protocol == 0xC021 ? LcpOptionName(type)
                           : protocol == 0x8021 ? IpcpOptionName(type)
                                                : "Unknown";
        std::printf("    Option %3u %s, length %u", type, name, length);
        if (length < 2) {
            std::printf(" (bad length)\n");
            return;
        }
        FrameCursor value = options.Take(length - 2);
        uint32_t number = 0;
        if (protocol == 0x8021 && (type == 3 || type == 129 || type == 131) && value.Left() == 4) {
            value.Read(4, number);
            std::printf(": %u.%u.%u.%u\n", number >> 24, (number >> 16) & 255, (number >> 8) & 255, number & 255);
        } else if (value.Left() > 0 && value.Left() <= 4) {
            value.Read(value.Left(), number);
            std::printf(": 0x%X (%u)\n", number, number);
        } else if (value.Left() > 0) {
            std::printf(":\n");
            value.PrintHex("      ");
        } else {
            std::printf("\n");
        }
        if (options.Cut()) {
            std::printf("    (cut)\n");
            return;
        }
    }
}

const char *AuthenticationCodeName(uint32_t protocol, uint32_t code)
{
    static const char *const pap[] = {"Unknown", "Authenticate-Request", "Authenticate-Ack", "Authenticate-Nak"};
    static const char *const chap[] = {"Unknown", "Challenge", "Response", "Success", "Failure"};
    if (protocol == 0xC023)
        return code < 4 ? pap[code] : pap[0];
    return code < 5 ? chap[code] : chap[0];
}

// A text field of an authentication packet, with its one-byte length first.
bool ReadCountedText(FrameCursor &body, char *text, std::size_t size)
{
    uint32_t length = 0;
    if (!body.Read(1, length))
        return false;
    FrameCursor field = body.Take(length);
    std::size_t n = 0;
    uint32_t c = 0;
    while (field.Left() > 0 && field.Read(1, c))
        if (n + 1 < size)
            text[n++] = (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '.';
    text[n] = '\0';
    return !body.Cut();
}

// PAP and CHAP packets after code, identifier and length. The password of
// a PAP request is never shown, only its length.
void PrintAuthentication(FrameCursor body, uint32_t protocol, uint32_t code, bool full)
{
    char name[64];
    uint32_t secretLength = 0;
    if (protocol == 0xC023 && code == 1) {
        if (!ReadCountedText(body, name, sizeof name)) {
            if (full)  // the summary line says "(cut)" at its end
                std::printf("  Peer-ID (cut)\n");
            return;
        }
        bool haveSecret = body.Read(1, secretLength);
        if (!full) {
            std::printf(", peer \"%s\"", name);
            return;
        }
        std::printf("  Peer-ID \"%s\"\n", name);
        if (haveSecret)
            std::printf("  Password of %u characters (not shown)\n", secretLength);
        else
            std::printf("  Password (cut)\n");
    } else if (protocol == 0xC223 && (code == 1 || code == 2)) {
        uint32_t valueLength = 0;
        if (!body.Read(1, valueLength)) {
            if (full)
                std::printf("  Value (cut)\n");
            return;
        }
        FrameCursor value = body.Take(valueLength);
        std::size_t n = 0;
        uint32_t c = 0;
        while (body.Left() > 0 && body.Read(1, c))
            if (n + 1 < sizeof name)
                name[n++] = (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '.';
        name[n] = '\0';
        if (!full) {
            std::printf(", name \"%s\"", name);
            return;
        }
        std::printf("  Value, %u bytes:\n", valueLength);
        value.PrintHex("    ");
        std::printf("  Name \"%s\"\n", name);
    } else if (full && body.Left() > 0) {
        char message[128];
        std::size_t n = 0;
        uint32_t c = 0;
        while (body.Left() > 0 && body.Read(1, c))
            if (n + 1 < sizeof message)
                message[n++] = (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '.';
        message[n] = '\0';
        std::printf("  Message \"%s\"\n", message);
    }
}

void PrintIpHeader(FrameCursor &frame, bool full)
{
    uint32_t versionLength = 0, service = 0, total = 0, ident = 0, fragment = 0, ttl = 0, protocol = 0,
             checksum = 0, source = 0, destination = 0;
    if (!frame.Read(1, versionLength) || !frame.Read(1, service) || !frame.Read(2, total) ||
        !frame.Read(2, ident) || !frame.Read(2, fragment) || !frame.Read(1, ttl) || !frame.Read(1, protocol) ||
        !frame.Read(2, checksum) || !frame.Read(4, source) || !frame.Read(4, destination)) {
        std::printf(full ? "  IP header (cut)\n" : " (cut)");
        return;
    }
    auto quad = [](uint32_t a, char *text, std::size_t size) {
        std::snprintf(text, size, "%u.%u.%u.%u", a >> 24, (a >> 16) & 255, (a >> 8) & 255, a & 255);
    };
    char from[16], to[16];
    quad(source, from, sizeof from);
    quad(destination, to, sizeof to);
    const char *name = protocol == 1 ? "ICMP" : protocol == 6 ? "TCP" : protocol == 17 ? "UDP" : nullptr;
    if (!full) {
        if (name)
            std::printf(" %s %s -> %s", name, from, to);
        else
            std::printf(" protocol %u %s -> %s", protocol, from, to);
        return;
    }
    std::printf("  IP version %u, header %u bytes, total %u bytes\n", versionLength >> 4, (versionLength & 15) * 4,
                total);
    std::printf("  Identification 0x%04X, fragment 0x%04X, TTL %u, protocol %u%s%s, checksum 0x%04X\n", ident,
                fragment, ttl, protocol, name ? " " : "", name ? name : "", checksum);
    std::printf("  Source %s, destination %s\n", from, to);
}

void DecodeFrame(const uint8_t *data, uint32_t size, bool full)
{
    FrameCursor frame(data, size);
    uint8_t first = 0;
    uint32_t address = 0xFF, control = 0x03, protocol = 0;
    bool compressedAddress = true;
    if (frame.Peek(first) && first == 0xFF) {
        compressedAddress = false;
        frame.Read(1, address);
        frame.Read(1, control);
    }
    // An odd first protocol byte is a compressed one-byte protocol field.
    if (frame.Peek(first) && (first & 1))
        frame.Read(1, protocol);
    else
        frame.Read(2, protocol);
    if (frame.Cut()) {
        std::printf("PPP frame too short (%u bytes)\n", size);
        return;
    }

    const char *name = ProtocolName(protocol);
    if (full) {
        std::printf("PPP frame, %u bytes\n", size);
        if (compressedAddress)
            std::printf("  Address and control fields compressed\n");
        else
            std::printf("  Address 0x%02X, control 0x%02X\n", address, control);
        std::printf("  Protocol 0x%04X (%s)\n", protocol, name ? name : "unknown");
    } else {
        std::printf("PPP %s", name ? name : "protocol");
        if (!name)
            std::printf(" 0x%04X", protocol);
    }

    if (IsControlProtocol(protocol) || protocol == 0xC023 || protocol == 0xC223) {
        uint32_t code = 0, ident = 0, length = 0;
        if (!frame.Read(1, code) || !frame.Read(1, ident) || !frame.Read(2, length)) {
            std::printf(full ? "  Packet (cut)\n" : " (cut)\n");
            return;
        }
        bool control = IsControlProtocol(protocol);
        const char *codeName = control ? ControlCodeName(code) : AuthenticationCodeName(protocol, code);
        FrameCursor body = frame.Take(length >= 4 ? length - 4 : 0);
        if (!full) {
            std::printf(" %s code %u, id %u, length %u", codeName, code, ident, length);
            if (!control)
                PrintAuthentication(body, protocol, code, false);
            std::printf("%s\n", frame.Cut() ? " (cut)" : "");
            return;
        }
        std::printf("  Code %u %s, identifier %u, length %u\n", code, codeName, ident, length);
        if (control && code >= 1 && code <= 4)
            PrintOptions(body, protocol);
        else if (!control)
            PrintAuthentication(body, protocol, code, true);
        else if (body.Left() > 0)
            body.PrintHex("    ");
        if (frame.Cut())
            std::printf("  (cut: the packet is longer than the traced frame)\n");
    } else if (protocol == 0x0021) {
        PrintIpHeader(frame, full);
        if (!full) {
            std::printf(", %u bytes\n", size);
            return;
        }
    } else if (!full) {
        std::printf(", %u bytes\n", size);
        return;
    }
    if (full && frame.Left() > 0) {
        std::printf("  Data, %u bytes:\n", frame.Left());
        frame.PrintHex("    ");
    }
}

}  // namespace

extern "C" KAVELIN_EXPORT void KAVELIN_CALL SourceIDQueryHandler_(uint32_t *count, uint32_t **ids)
{
    *count = sizeof ClaimedSources / sizeof ClaimedSources[0];
    *ids = ClaimedSources;
}

extern "C" KAVELIN_EXPORT int KAVELIN_CALL TraceEventHandler_(const EventHeader *header, const uint8_t *data,
                                                              const ViewerSettings *settings)
{
    DecodeFrame(data, header->TracedSize, settings->DecodeLevel != 1);
    std::fflush(stdout);
    return 0;
}

// Reading a User object's first-page attributes when its pages open, and
// writing what the page changed when the host saves.
#include "user/user_remote_params.h"

#include "core/directory_access.h"
#include "core/heap.h"
#include "core/pages.h"
#include "network/messages.h"

#include <cstring>

namespace rax {

namespace {

UserRemoteParams g_asRead;
UserRemoteParams g_edited;
StoredOriginals g_originals;

void ForgetOriginals()
{
    FreeBlock(g_originals.dialbackNumber);
    FreeBlock(g_originals.passwordParameters);
    g_originals = StoredOriginals{};
}

void ReadInteger(const char *objectName, const char *attribute, int32_t &field, int32_t absentMarker)
{
    int32_t value = 0;
    int32_t result = ReadValue(objectName, attribute, &value, sizeof value);
    if (result == ValueNotPresent)
        field = absentMarker;
    else if (result == 0)
        field = value;
    // Any other failure leaves the field at zero.
}

// The dialback number: the page shows at most 40 characters; a longer stored
// number is kept whole as well, so that a save replaces exactly that value.
void ReadDialbackNumber(const char *objectName, UserRemoteParams &params)
{
    uint32_t size = 0;
    if (ReadValueSize(objectName, AttrDialbackNumber, &size) != 0 || size == 0)
        return;
    auto *text = static_cast<char *>(AllocZeroed(static_cast<std::size_t>(size) + 1));
    if (!text) {
        ReportOutOfMemory();
        return;
    }
    if (ReadValue(objectName, AttrDialbackNumber, text, size) != 0) {
        FreeBlock(text);
        return;
    }
    if (DecodeDialbackNumber(text, size, params.dialbackNumber))
        FreeBlock(text);
    else
        g_originals.dialbackNumber = text;
}

// The password parameters: 46 bytes. A stored value of another size is
// decoded as far as it goes and its bytes are kept for the save.
void ReadPasswordParameters(const char *objectName, UserRemoteParams &params)
{
    params.passwordParametersAbsent = false;
    uint32_t size = 0;
    int32_t result = ReadValueSize(objectName, AttrPasswordParameters, &size);
    if (result == ValueNotPresent) {
        params.passwordParametersAbsent = true;
        params.passwordParameters = DefaultPasswordParameters();
        return;
    }
    if (result != 0 || size < OctetStringHeaderSize)
        return;
    void *block = AllocZeroed(size);
    if (!block) {
        ReportOutOfMemory();
        return;
    }
    result = ReadValue(objectName, AttrPasswordParameters, block, size, OctetStringForm::Record);
    if (result == ValueNotPresent) {
        params.passwordParametersAbsent = true;
        params.passwordParameters = DefaultPasswordParameters();
    } else if (result == 0) {
        ByteView bytes = OctetStringBlockBytes(block, size);
        DecodePasswordParameters(bytes.data, bytes.size, params.passwordParameters);
        if (bytes.size != PasswordParametersSize) {
            auto *kept = static_cast<uint8_t *>(AllocZeroed(bytes.size ? bytes.size : 1));
            if (kept) {
                if (bytes.size)
                    std::memcpy(kept, bytes.data, bytes.size);
                g_originals.passwordParameters = kept;
                g_originals.passwordParametersLength = static_cast<uint32_t>(bytes.size);
            }
        }
    }
    FreeBlock(block);
}

// An octet-string block holding `length` bytes; nullptr when memory ran out.
OctetString *OctetStringOf(const uint8_t *bytes, std::size_t length)
{
    OctetString *block = NewOctetStringBlock(length);
    if (block && length)
        std::memcpy(block->bytes, bytes, length);
    return block;
}

OctetString *OctetStringOf(const PasswordParametersValue &value)
{
    uint8_t bytes[PasswordParametersSize];
    EncodePasswordParameters(value, bytes);
    return OctetStringOf(bytes, sizeof bytes);
}

// One write of a single-valued integer attribute; the as-read value follows a
// successful write, so a second save of the same pages writes nothing again.
void WriteInteger(const char *objectName, const char *attribute, int32_t &asRead, int32_t edited,
                  int32_t absentMarker, WriteOutcome &outcome)
{
    WriteAction action = DecideIntegerWrite(asRead, edited, absentMarker);
    if (action == WriteAction::None)
        return;
    const void *oldValue = action == WriteAction::Add ? nullptr : &asRead;
    const void *newValue = action == WriteAction::Remove ? nullptr : &edited;
    outcome.Record(WriteValue(objectName, attribute, oldValue, newValue, SyntaxInteger));
    if (outcome.last == 0)
        asRead = edited;
}

void WritePasswordParameters(const char *objectName, WriteOutcome &outcome)
{
    if (!PasswordParametersChanged(g_asRead.passwordParameters, g_edited.passwordParameters))
        return;
    OctetString *oldValue = nullptr;
    if (!g_asRead.passwordParametersAbsent) {
        oldValue = g_originals.passwordParameters
                       ? OctetStringOf(g_originals.passwordParameters, g_originals.passwordParametersLength)
                       : OctetStringOf(g_asRead.passwordParameters);
    }
    OctetString *newValue = OctetStringOf(g_edited.passwordParameters);
    if (!newValue || (!g_asRead.passwordParametersAbsent && !oldValue)) {
        ReportOutOfMemory();
        outcome.Record(OutOfMemoryCode);
    } else {
        outcome.Record(WriteValue(objectName, AttrPasswordParameters, oldValue, newValue, SyntaxOctetString));
        if (outcome.last == 0) {
            g_asRead.passwordParameters = g_edited.passwordParameters;
            g_asRead.passwordParametersAbsent = false;
            FreeBlock(g_originals.passwordParameters);
            g_originals.passwordParameters = nullptr;
            g_originals.passwordParametersLength = 0;
        }
    }
    FreeBlock(oldValue);
    FreeBlock(newValue);
}

WriteAction DialbackNumberAction()
{
    bool readAbsent = g_asRead.dialbackNumber.text[0] == '\0';
    bool editedAbsent = g_edited.dialbackNumber.text[0] == '\0';
    bool equal = DialbackNumbersEqual(g_asRead.dialbackNumber, g_edited.dialbackNumber);
    return DecideSingleValueWrite(readAbsent, editedAbsent, equal);
}

void WriteDialbackNumber(const char *objectName, WriteOutcome &outcome)
{
    WriteAction action = DialbackNumberAction();
    if (action == WriteAction::None)
        return;
    const char *stored = g_originals.dialbackNumber ? g_originals.dialbackNumber : g_asRead.dialbackNumber.text;
    const void *oldValue = action == WriteAction::Add ? nullptr : stored;
    const void *newValue = action == WriteAction::Remove ? nullptr : g_edited.dialbackNumber.text;
    outcome.Record(WriteValue(objectName, AttrDialbackNumber, oldValue, newValue, SyntaxTelephoneNumber));
    if (outcome.last == 0) {
        g_asRead.dialbackNumber = g_edited.dialbackNumber;
        FreeBlock(g_originals.dialbackNumber);
        g_originals.dialbackNumber = nullptr;
    }
}

} // namespace

UserRemoteParams &UserParamsAsRead() { return g_asRead; }
UserRemoteParams &UserParamsEdited() { return g_edited; }
const StoredOriginals &UserStoredOriginals() { return g_originals; }

void ResetUserParameters()
{
    ForgetOriginals();
    std::memset(&g_asRead, 0, sizeof g_asRead);
    std::memset(&g_edited, 0, sizeof g_edited);
}

void ReadUserParameters(const char *objectName)
{
    // Nothing of the previous object survives this load.
    ResetUserParameters();
    UserRemoteParams &params = g_asRead;
    ReadInteger(objectName, AttrDialbackFlag, params.dialbackFlag, DialbackFlagAbsent);
    ReadDialbackNumber(objectName, params);
    ReadPasswordParameters(objectName, params);
    ReadInteger(objectName, AttrSessionParameters, params.maxConnectTime, MinutesAbsent);
    ReadInteger(objectName, AttrPasswordMinimumLength, params.minimumPasswordLength, PasswordMinimumLengthAbsent);
    ReadInteger(objectName, AttrIdleTimeout, params.idleTimeout, MinutesAbsent);
    g_edited = g_asRead;
}

int32_t WriteUserParameters(const char *objectName, WriteOutcome *failures)
{
    WriteOutcome outcome;
    WritePasswordParameters(objectName, outcome);
    WriteInteger(objectName, AttrDialbackFlag, g_asRead.dialbackFlag, g_edited.dialbackFlag, DialbackFlagAbsent,
                 outcome);
    WriteDialbackNumber(objectName, outcome);
    WriteInteger(objectName, AttrSessionParameters, g_asRead.maxConnectTime, g_edited.maxConnectTime,
                 MinutesAbsent, outcome);
    WriteInteger(objectName, AttrIdleTimeout, g_asRead.idleTimeout, g_edited.idleTimeout, MinutesAbsent, outcome);
    if (failures && failures->firstFailure == 0)
        failures->firstFailure = outcome.firstFailure;
    return outcome.last;
}

bool UserParametersPending()
{
    return PasswordParametersChanged(g_asRead.passwordParameters, g_edited.passwordParameters) ||
           DecideIntegerWrite(g_asRead.dialbackFlag, g_edited.dialbackFlag, DialbackFlagAbsent) != WriteAction::None ||
           DialbackNumberAction() != WriteAction::None ||
           DecideIntegerWrite(g_asRead.maxConnectTime, g_edited.maxConnectTime, MinutesAbsent) != WriteAction::None ||
           DecideIntegerWrite(g_asRead.idleTimeout, g_edited.idleTimeout, MinutesAbsent) != WriteAction::None;
}

} // namespace rax

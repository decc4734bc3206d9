// The new "Dravon IP Profile" built from the IP group of a network page: the
// domain server and domain name when "Specify Domain Information" is checked,
// the TFTP server and boot file when "Set Boot Parameters" is checked.
#ifndef RAX_IP_PROFILE_H
#define RAX_IP_PROFILE_H

#include "core/attribute_formats.h"
#include "network/value_lists.h"   // BuildResult

#include <cstdint>
#include <string_view>

namespace rax {

// One half of the IP group: a server address and a name that go together.
struct IpServerAndName {
    bool specified = false;     // the group's check box
    uint8_t address[4] = {};    // taken from the dotted form
    std::string_view name;      // domain name or boot file name; may be empty
};

// Items in this order, each only when its condition holds: TagDomainServer
// (domain specified), TagDomainName (domain specified, name not empty),
// TagTftpServer (boot specified), TagBootFile (boot specified, name not
// empty). Empty when no item results; on Built `value` is an octet-string
// block (FreeBlock); OutOfMemory is reported and leaves no value.
BuildResult BuildIpProfileValue(const IpServerAndName &domain, const IpServerAndName &boot, OctetString *&value);

} // namespace rax

#endif

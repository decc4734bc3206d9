#include "network/ip_profile.h"

#include "core/profile_items.h"

namespace rax {

namespace {

std::size_t ItemsSize(const IpServerAndName &half)
{
    if (!half.specified)
        return 0;
    std::size_t size = ProfileItemHeaderSize + Ipv4ItemSize;
    if (!half.name.empty())
        size += ProfileItemHeaderSize + half.name.size() + 1;
    return size;
}

void WriteItems(ByteWriter &out, const IpServerAndName &half, uint16_t addressTag, uint16_t nameTag)
{
    if (!half.specified)
        return;
    WriteProfileItem(out, addressTag, half.address, Ipv4ItemSize);
    if (!half.name.empty())
        WriteProfileTextItem(out, nameTag, half.name);
}

} // namespace

BuildResult BuildIpProfileValue(const IpServerAndName &domain, const IpServerAndName &boot, OctetString *&value)
{
    value = nullptr;
    std::size_t total = ItemsSize(domain) + ItemsSize(boot);
    if (BuildResult result = NewProfileValue(total, value); result != BuildResult::Built)
        return result;
    ByteWriter out(value->bytes, total);
    WriteItems(out, domain, TagDomainServer, TagDomainName);
    WriteItems(out, boot, TagTftpServer, TagBootFile);
    return BuildResult::Built;
}

} // namespace rax

// storegen: writes a large directory store for the directory client stand-in,
// deterministically from a seed. It keeps everything of a sample store (header,
// schema, objects, rights) and adds users spread over units below the sample's
// organisation, with remote-access values of the shapes the sample's users hold.
//
//   storegen --sample FILE --users N -o FILE [--seed N] [--per-unit N] [--self-writers K]
//
// Users are "CN=User-<n>.OU=Unit-<u>.<organisation>" (n from 1, zero-padded to
// six digits; u to four; 200 users a unit unless --per-unit says otherwise).
// The rights stay the sample's; with --self-writers K every Kth user becomes an
// identity that may write its own object (as the sample's Carla may). Prints
// the name of the last user added.
#include "store_model.h"
#include "store_text.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

namespace {

int Usage()
{
    std::fputs("usage: storegen --sample FILE --users N -o FILE [--seed N] [--per-unit N] [--self-writers K]\n",
               stderr);
    return 2;
}

bool ParseCount(const char *text, uint32_t &value)
{
    char *end = nullptr;
    unsigned long n = std::strtoul(text, &end, 10);
    if (end == text || *end != '\0' || n > 10'000'000UL)
        return false;
    value = static_cast<uint32_t>(n);
    return true;
}

// xorshift64*: small, seeded, the same on every platform.
struct Random {
    uint64_t state;
    explicit Random(uint64_t seed) : state(seed * 0x9E3779B97F4A7C15ULL + 1) {}
    uint32_t Next()
    {
        state ^= state >> 12;
        state ^= state << 25;
        state ^= state >> 27;
        return static_cast<uint32_t>((state * 0x2545F4914F6CDD1DULL) >> 32);
    }
    uint32_t Below(uint32_t n) { return n ? Next() % n : 0; }
};

dirstore::Bytes TextBytes(std::string_view text) { return dirstore::Bytes(text.begin(), text.end()); }

void Put(dirstore::Object &object, const dirstore::Store &store, std::string_view attr, uint32_t syntax,
         std::vector<dirstore::Bytes> values)
{
    const dirstore::AttributeDef *def = dirstore::FindAttributeDef(store, attr);
    object.attributes.push_back(dirstore::Attribute{def ? def->name : std::string(attr), syntax, std::move(values)});
}

// The octet values of a sample user that has them, to copy into generated users.
const dirstore::Attribute *SampleValue(const dirstore::Store &store, std::string_view attr)
{
    for (const auto &object : store.objects)
        if (const dirstore::Attribute *found = dirstore::NamesEqual(object.className, "user")
                                                   ? dirstore::FindAttribute(object, attr)
                                                   : nullptr)
            if (found->syntax == dirstore::kSyntaxOctetString)
                return found;
    return nullptr;
}

std::string Padded(uint32_t n, int width)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*u", width, n);
    return buf;
}

dirstore::Object MakeUser(const dirstore::Store &store, const std::string &name, uint32_t n, Random &random)
{
    using namespace dirstore;
    Object user{name, "user", {}};
    Put(user, store, "CN", 3, {TextBytes("User-" + Padded(n, 6))});
    static const char *const surnames[] = {"Archer", "Baker", "Cole", "Dunn", "Evans", "Fisher", "Grant", "Hale"};
    Put(user, store, "Surname", 3, {TextBytes(surnames[random.Below(8)])});
    if (random.Below(4) != 0)
        Put(user, store, "Dravon Session Parameters", kSyntaxInteger, {IntegerBytes(static_cast<int32_t>(random.Below(481)))});
    if (random.Below(3) == 0) {
        Put(user, store, "Dravon DialbackFlag", kSyntaxInteger, {IntegerBytes(static_cast<int32_t>(1 + random.Below(7)))});
        Put(user, store, "Dravon DialbackNumber", kSyntaxTelephoneNumber, {TextBytes("555-" + Padded(random.Below(10000), 4))});
    }
    for (const char *octets : {"Dravon Password Parameters", "Dravon IPX Profile", "Dravon IP Profile"})
        if (const Attribute *sample = SampleValue(store, octets); sample && random.Below(2) == 0)
            Put(user, store, octets, kSyntaxOctetString, sample->values);
    if (random.Below(3) == 0) {
        static const char *const zones[] = {"Sales Zone", "Lobby", "Harbour", "Depot"};
        uint32_t first = random.Below(4);
        std::vector<Bytes> values{TextBytes(std::string(zones[first]) + '\0')};
        if (random.Below(2) == 0)
            values.push_back(TextBytes(std::string(zones[(first + 1) % 4]) + '\0'));
        Put(user, store, "Dravon ARAS Zone", kSyntaxOctetString, std::move(values));
    }
    if (random.Below(2) == 0)
        Put(user, store, "Dravon Idle Timeout", kSyntaxInteger, {IntegerBytes(static_cast<int32_t>(random.Below(121)) - 1)});
    return user;
}

}  // namespace

int main(int argc, char **argv)
{
    const char *sample = nullptr;
    const char *output = nullptr;
    uint32_t users = 0, seed = 1, perUnit = 200, selfWriters = 0;
    bool haveUsers = false;
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        const char *value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (!value)
            return Usage();
        ++i;
        if (std::strcmp(arg, "--sample") == 0)
            sample = value;
        else if (std::strcmp(arg, "-o") == 0)
            output = value;
        else if (std::strcmp(arg, "--users") == 0 && ParseCount(value, users))
            haveUsers = true;
        else if (std::strcmp(arg, "--seed") == 0 && ParseCount(value, seed))
            continue;
        else if (std::strcmp(arg, "--per-unit") == 0 && ParseCount(value, perUnit) && perUnit > 0)
            continue;
        else if (std::strcmp(arg, "--self-writers") == 0 && ParseCount(value, selfWriters))
            continue;
        else
            return Usage();
    }
    if (!sample || !output || !haveUsers)
        return Usage();

    std::ifstream in(sample, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    if (!in) {
        std::fprintf(stderr, "storegen: cannot read %s\n", sample);
        return 1;
    }
    dirstore::Store store;
    dirstore::ParseError error;
    if (!dirstore::ParseStoreText(text.str(), store, error)) {
        std::fprintf(stderr, "storegen: %s: line %zu: %s\n", sample, error.line, error.message.c_str());
        return 1;
    }
    std::string organisation;
    for (const auto &object : store.objects)
        if (dirstore::NamesEqual(object.className, "organization")) {
            organisation = object.name;
            break;
        }
    if (organisation.empty()) {
        std::fprintf(stderr, "storegen: %s has no organization to put the users under\n", sample);
        return 1;
    }

    Random random(seed);
    std::string last;
    for (uint32_t n = 1, unit = 0; n <= users; ++n) {
        std::string unitName;
        if ((n - 1) % perUnit == 0) {
            ++unit;
            std::string label = "Unit-" + Padded(unit, 4);
            store.objects.push_back(dirstore::Object{"OU=" + label + "." + organisation, "organizational unit", {}});
            Put(store.objects.back(), store, "OU", 3, {TextBytes(label)});
        }
        last = "CN=User-" + Padded(n, 6) + ".OU=Unit-" + Padded(unit, 4) + "." + organisation;
        store.objects.push_back(MakeUser(store, last, n, random));
        if (selfWriters != 0 && n % selfWriters == 0) {
            store.grants.push_back(dirstore::Grant{last, "[Root]", 0x3});
            store.grants.push_back(dirstore::Grant{last, last, 0x6});
        }
    }

    std::ofstream out(output, std::ios::binary | std::ios::trunc);
    std::string printed = dirstore::PrintStoreText(store);
    out.write(printed.data(), static_cast<std::streamsize>(printed.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "storegen: cannot write %s\n", output);
        return 1;
    }
    std::printf("%s\n", last.c_str());
    return 0;
}

// rax-storeldif: the embedded directory store to LDIF for an LDAP server, and back.
//
//   rax-storeldif identities STORE
//       one line per identity: DN, a tab, the name of its password file
//   rax-storeldif to-ldif STORE OUTDIR [--password-dir DIR]
//       writes OUTDIR/suffix (the database's DN), entries.ldif, schema.ldif
//       (cn=rax,cn=schema,cn=config), data-access.ldif and config-access.ldif
//       (olcAccess lines of the database and of the configuration); with DIR,
//       each identity's entry gets the salted hash of the password in its file
//       there (a random password is written, mode 600, where there is none)
//   rax-storeldif to-store [--identity NAME] LDIF...
//       the store file on standard output from LDIF as slapcat or ldapsearch
//       print it (the configuration and the entries; "-" is standard input)
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "passwords.h"
#include "store_ldif.h"
#include "store_text.h"

namespace {

int Usage()
{
    std::cerr << "usage: rax-storeldif identities STORE\n"
                 "       rax-storeldif to-ldif STORE OUTDIR [--password-dir DIR]\n"
                 "       rax-storeldif to-store [--identity NAME] LDIF...\n";
    return 2;
}

int Fail(const std::string &message)
{
    std::cerr << "rax-storeldif: " << message << "\n";
    return 1;
}

bool ReadFile(const std::string &path, std::string &text)
{
    if (path == "-") {
        text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
        return !std::cin.bad();
    }
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    text = buffer.str();
    return !in.bad() && text.size() <= dirstore::kMaxStoreText;
}

bool WriteFile(const std::string &path, const std::string &text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    return static_cast<bool>(out);
}

bool LoadStore(const std::string &path, dirstore::Store &store, std::string &error)
{
    std::string text;
    if (!ReadFile(path, text)) {
        error = path + ": cannot be read";
        return false;
    }
    dirstore::ParseError parseError;
    if (!dirstore::ParseStoreText(text, store, parseError)) {
        error = path + ": line " + std::to_string(parseError.line) + ": " + parseError.message;
        return false;
    }
    return true;
}

std::string AccessLines(const std::vector<std::string> &rules)
{
    std::string text;
    for (const auto &rule : rules)
        text += "olcAccess: " + rule + "\n";
    return text;
}

int ListIdentities(const std::string &storePath)
{
    dirstore::Store store;
    std::string error;
    std::vector<storeldif::Identity> identities;
    if (!LoadStore(storePath, store, error) || !storeldif::Identities(store, identities, error))
        return Fail(error);
    for (const auto &identity : identities)
        std::cout << identity.dn << '\t' << identity.passwordFile << '\n';
    return 0;
}

int ToLdif(const std::string &storePath, const std::string &outDir, const std::string &passwordDir)
{
    dirstore::Store store;
    std::string error;
    if (!LoadStore(storePath, store, error))
        return Fail(error);
    std::map<std::string, std::string> hashes;
    std::vector<storeldif::Identity> identities;
    if (!passwordDir.empty()) {
        if (!storeldif::Identities(store, identities, error))
            return Fail(storePath + ": " + error);
        for (const auto &identity : identities) {
            std::string path = passwordDir + "/" + identity.passwordFile, password;
            std::string salt = storeldif::RandomBytes(8);
            if (!storeldif::PasswordOfFile(path, password) || salt.empty())
                return Fail(path + ": the password cannot be read or made");
            hashes[identity.dn] = storeldif::SaltedSha1(password, salt);
        }
    }
    storeldif::LdifParts parts;
    if (!storeldif::StoreToLdif(store, hashes, parts, error))
        return Fail(storePath + ": " + error);
    const std::pair<const char *, std::string> files[] = {
        {"suffix", parts.suffix + "\n"},
        {"entries.ldif", parts.entries},
        {"schema.ldif", parts.schema},
        {"data-access.ldif", AccessLines(parts.dataAccess)},
        {"config-access.ldif", AccessLines(parts.configAccess)}};
    for (const auto &[name, text] : files)
        if (!WriteFile(outDir + "/" + name, text))
            return Fail(outDir + "/" + name + ": cannot be written");
    return 0;
}

int ToStore(const std::vector<std::string> &paths, const std::string &identity)
{
    std::vector<dirstore::ldap::LdifRecord> records;
    for (const auto &path : paths) {
        std::string text, message;
        size_t line = 0;
        std::vector<dirstore::ldap::LdifRecord> more;
        if (!ReadFile(path, text))
            return Fail(path + ": cannot be read");
        if (!dirstore::ldap::ParseLdif(text, more, line, message))
            return Fail(path + ": line " + std::to_string(line) + ": " + message);
        records.insert(records.end(), more.begin(), more.end());
    }
    dirstore::Store store;
    std::string error;
    std::vector<std::string> notes;
    bool ok = storeldif::LdifToStore(records, identity, store, error, notes);
    for (const auto &note : notes)
        std::cerr << "rax-storeldif: " << note << "\n";
    if (!ok)
        return Fail(error);
    std::cout << dirstore::PrintStoreText(store);
    return std::cout.flush() ? 0 : 1;
}

}  // namespace

int main(int argc, char **argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 2 && args[0] == "identities")
        return ListIdentities(args[1]);
    if ((args.size() == 3 || (args.size() == 5 && args[3] == "--password-dir")) && args[0] == "to-ldif")
        return ToLdif(args[1], args[2], args.size() == 5 ? args[4] : std::string());
    if (args.size() >= 2 && args[0] == "to-store") {
        std::string identity;
        size_t first = 1;
        if (args[1] == "--identity") {
            if (args.size() < 4)
                return Usage();
            identity = args[2];
            first = 3;
        }
        return ToStore({args.begin() + static_cast<long>(first), args.end()}, identity);
    }
    return Usage();
}

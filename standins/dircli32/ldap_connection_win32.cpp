// The LDAP connection over wldap32, with the wide-character calls (texts are
// UTF-8 on our side). Every request is sent asynchronously and its answer
// awaited with the connection's time limit.
#include <windows.h>
#include <winldap.h>
// after winldap.h, which defines what it needs
#include <winber.h>

#include "ldap_connection.h"

namespace dirstore::ldap {

namespace {

std::wstring Wide(const std::string &text)
{
    if (text.empty())
        return std::wstring();
    int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

std::string Narrow(const wchar_t *text)
{
    if (!text || !*text)
        return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1)
        return std::string();
    std::string narrow(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, narrow.data(), n, nullptr, nullptr);
    narrow.resize(static_cast<size_t>(n - 1));
    return narrow;
}

struct BervalList {
    std::vector<berval> items;
    std::vector<berval *> pointers;
    explicit BervalList(const std::vector<Bytes> &values)
    {
        items.reserve(values.size());
        for (const auto &v : values)
            items.push_back(berval{static_cast<ULONG>(v.size()),
                                   const_cast<char *>(reinterpret_cast<const char *>(v.data()))});
        for (auto &item : items)
            pointers.push_back(&item);
        pointers.push_back(nullptr);
    }
};

// The LDAPModW array of `changes`, valid while the object lives.
struct ModList {
    std::vector<std::wstring> types;
    std::vector<BervalList> values;
    std::vector<LDAPModW> mods;
    std::vector<LDAPModW *> pointers;
    explicit ModList(const std::vector<Modification> &changes)
    {
        types.reserve(changes.size());
        values.reserve(changes.size());
        mods.reserve(changes.size());
        for (const auto &c : changes) {
            types.push_back(Wide(c.type));
            values.emplace_back(c.values);
            LDAPModW mod{};
            mod.mod_op = LDAP_MOD_BVALUES | (c.op == Modification::Add      ? LDAP_MOD_ADD
                                             : c.op == Modification::Delete ? LDAP_MOD_DELETE
                                                                            : LDAP_MOD_REPLACE);
            mod.mod_type = types.back().data();
            mod.mod_vals.modv_bvals =
                c.values.empty() && c.op != Modification::Add ? nullptr : values.back().pointers.data();
            mods.push_back(mod);
        }
        for (auto &mod : mods)
            pointers.push_back(&mod);
        pointers.push_back(nullptr);
    }
};

constexpr ULONG WinsockErrorBase = 10000;

class Win32Connection final : public Connection {
public:
    ~Win32Connection() override { Close(); }

    Result Open(const Endpoint &server, const std::string &bindDn, const std::string &password,
                int timeoutSeconds) override
    {
        Close();
        timeout_ = timeoutSeconds > 0 ? timeoutSeconds : 1;
        std::wstring host = Wide(server.host);
        ld_ = ldap_initW(host.data(), static_cast<ULONG>(server.port));
        if (!ld_)
            return Failure(LastError(kLocalError));
        ULONG version = LDAP_VERSION3;
        ldap_set_optionW(ld_, LDAP_OPT_PROTOCOL_VERSION, &version);
        ldap_set_optionW(ld_, LDAP_OPT_REFERRALS, LDAP_OPT_OFF);
        l_timeval limit{timeout_, 0};
        if (ULONG rc = ldap_connect(ld_, &limit); rc != LDAP_SUCCESS) {
            Result result = Failure(rc);
            Close();   // a handle whose connect failed is only good for unbinding
            return result;
        }
        std::wstring dn = Wide(bindDn), secret = Wide(password);
        ULONG msgid = ldap_simple_bindW(ld_, bindDn.empty() ? nullptr : dn.data(), secret.data());
        Result result = msgid == static_cast<ULONG>(-1) ? Failure(LastError(kServerDown)) : Await(msgid, nullptr);
        SecureZeroMemory(secret.data(), secret.size() * sizeof(wchar_t));
        if (!result.Ok())
            Close();
        return result;
    }

    Result Search(const std::string &base, Scope scope, const std::string &filter,
                  const std::vector<std::string> &attributes, std::vector<Entry> &entries) override
    {
        if (!ld_)
            return Result{kServerDown, "not connected"};
        std::vector<std::wstring> names;
        for (const auto &a : attributes)
            names.push_back(Wide(a));
        std::vector<wchar_t *> attrs;
        for (auto &n : names)
            attrs.push_back(n.data());
        attrs.push_back(nullptr);
        ULONG ldapScope = scope == Scope::Base ? LDAP_SCOPE_BASE
                          : scope == Scope::OneLevel ? LDAP_SCOPE_ONELEVEL : LDAP_SCOPE_SUBTREE;
        std::wstring wbase = Wide(base), wfilter = Wide(filter);
        ULONG msgid = 0;
        ULONG rc = ldap_search_extW(ld_, wbase.data(), ldapScope, wfilter.data(), attrs.data(), 0, nullptr, nullptr,
                                    static_cast<ULONG>(timeout_), 0, &msgid);
        if (rc != LDAP_SUCCESS)
            return Failure(rc);
        return Await(msgid, &entries);
    }

    Result Modify(const std::string &dn, const std::vector<Modification> &changes) override
    {
        if (!ld_)
            return Result{kServerDown, "not connected"};
        ModList list(changes);
        std::wstring wdn = Wide(dn);
        ULONG msgid = 0;
        ULONG rc = ldap_modify_extW(ld_, wdn.data(), list.pointers.data(), nullptr, nullptr, &msgid);
        return rc == LDAP_SUCCESS ? Await(msgid, nullptr) : Failure(rc);
    }

    Result Add(const std::string &dn, const std::vector<Modification> &attributes) override
    {
        if (!ld_)
            return Result{kServerDown, "not connected"};
        ModList list(attributes);
        std::wstring wdn = Wide(dn);
        ULONG msgid = 0;
        ULONG rc = ldap_add_extW(ld_, wdn.data(), list.pointers.data(), nullptr, nullptr, &msgid);
        return rc == LDAP_SUCCESS ? Await(msgid, nullptr) : Failure(rc);
    }

private:
    void Close()
    {
        if (ld_)
            ldap_unbind(ld_);
        ld_ = nullptr;
    }

    // The library's code for a call that failed; it may have set none, and a
    // failure is never reported as success.
    static ULONG LastError(ULONG otherwise)
    {
        ULONG rc = LdapGetLastError();
        return rc == LDAP_SUCCESS ? otherwise : rc;
    }

    Result Failure(ULONG rc)
    {
        // A refused or broken connection may come back as the Windows Sockets
        // error (10000 and up) rather than as an LDAP result.
        Result result = rc >= WinsockErrorBase
                            ? Result{kServerDown,
                                     "the server cannot be reached (Windows Sockets error " + std::to_string(rc) + ")"}
                            : Result{static_cast<int>(rc), Narrow(ldap_err2stringW(rc))};
        if (result.code == kServerDown || result.code == kTimeout || result.code == kConnectError)
            Close();   // the connection is of no further use
        return result;
    }

    Result Await(ULONG msgid, std::vector<Entry> *entries)
    {
        LDAPMessage *answer = nullptr;
        l_timeval limit{timeout_, 0};
        ULONG type = ldap_result(ld_, msgid, LDAP_MSG_ALL, &limit, &answer);
        if (type == 0) {
            ldap_abandon(ld_, msgid);
            if (answer)
                ldap_msgfree(answer);
            Close();
            return Result{kTimeout, "the server did not answer within " + std::to_string(timeout_) + " s"};
        }
        if (type == static_cast<ULONG>(-1)) {
            ULONG rc = LastError(kServerDown);
            if (answer)
                ldap_msgfree(answer);
            return Failure(rc);
        }
        if (entries)
            TakeEntries(answer, *entries);
        ULONG code = LDAP_OTHER;
        wchar_t *message = nullptr;
        ULONG rc = ldap_parse_resultW(ld_, answer, &code, nullptr, &message, nullptr, nullptr, TRUE);
        if (rc != LDAP_SUCCESS)
            return Failure(rc);
        std::string text = Narrow(message);
        if (message)
            ldap_memfreeW(message);
        return Result{static_cast<int>(code), text.empty() ? Narrow(ldap_err2stringW(code)) : text};
    }

    void TakeEntries(LDAPMessage *answer, std::vector<Entry> &entries)
    {
        for (LDAPMessage *e = ldap_first_entry(ld_, answer); e; e = ldap_next_entry(ld_, e)) {
            Entry entry;
            if (wchar_t *dn = ldap_get_dnW(ld_, e)) {
                entry.dn = Narrow(dn);
                ldap_memfreeW(dn);
            }
            BerElement *ber = nullptr;
            for (wchar_t *a = ldap_first_attributeW(ld_, e, &ber); a; a = ldap_next_attributeW(ld_, e, ber)) {
                EntryAttribute attr;
                attr.type = Narrow(a);
                if (berval **values = ldap_get_values_lenW(ld_, e, a)) {
                    for (berval **v = values; *v; ++v) {
                        const auto *p = reinterpret_cast<const uint8_t *>((*v)->bv_val);
                        attr.values.emplace_back(p, p + (*v)->bv_len);
                    }
                    ldap_value_free_len(values);
                }
                ldap_memfreeW(a);
                entry.attributes.push_back(std::move(attr));
            }
            if (ber)
                ber_free(ber, 0);
            entries.push_back(std::move(entry));
        }
    }

    LDAP *ld_ = nullptr;
    LONG timeout_ = 10;
};

}  // namespace

std::unique_ptr<Connection> MakeConnection()
{
    return std::make_unique<Win32Connection>();
}

}  // namespace dirstore::ldap

// The LDAP connection over OpenLDAP's libldap (native builds). Every request is
// sent asynchronously and its answer awaited with the connection's time limit.
#include <ldap.h>

#include <cstring>

#include "ldap_connection.h"

namespace dirstore::ldap {

namespace {

// libldap's client-side codes are negative; they become the numbers the other
// client library uses for the same conditions.
int Normalised(int code)
{
    switch (code) {
    case LDAP_SERVER_DOWN:
        return kServerDown;
    case LDAP_TIMEOUT:
        return kTimeout;
    case LDAP_CONNECT_ERROR:
        return kConnectError;
    case LDAP_NO_MEMORY:
        return kNoMemory;
    default:
        return code < 0 ? kLocalError : code;
    }
}

struct BervalList {
    std::vector<berval> items;
    std::vector<berval *> pointers;
    explicit BervalList(const std::vector<Bytes> &values)
    {
        items.reserve(values.size());
        for (const auto &v : values)
            items.push_back(berval{static_cast<ber_len_t>(v.size()),
                                   const_cast<char *>(reinterpret_cast<const char *>(v.data()))});
        for (auto &item : items)
            pointers.push_back(&item);
        pointers.push_back(nullptr);
    }
};

// The LDAPMod array of `changes`, valid while the object lives.
struct ModList {
    std::vector<BervalList> values;
    std::vector<LDAPMod> mods;
    std::vector<LDAPMod *> pointers;
    explicit ModList(const std::vector<Modification> &changes)
    {
        values.reserve(changes.size());
        mods.reserve(changes.size());
        for (const auto &c : changes) {
            values.emplace_back(c.values);
            LDAPMod mod{};
            mod.mod_op = LDAP_MOD_BVALUES |
                         (c.op == Modification::Add ? LDAP_MOD_ADD
                                                    : c.op == Modification::Delete ? LDAP_MOD_DELETE : LDAP_MOD_REPLACE);
            mod.mod_type = const_cast<char *>(c.type.c_str());
            mod.mod_bvalues = c.values.empty() && c.op != Modification::Add ? nullptr : values.back().pointers.data();
            mods.push_back(mod);
        }
        for (auto &mod : mods)
            pointers.push_back(&mod);
        pointers.push_back(nullptr);
    }
};

class PosixConnection final : public Connection {
public:
    ~PosixConnection() override { Close(); }

    Result Open(const Endpoint &server, const std::string &bindDn, const std::string &password,
                int timeoutSeconds) override
    {
        Close();
        timeout_ = timeoutSeconds > 0 ? timeoutSeconds : 1;
        std::string url = "ldap://" + server.host + ":" + std::to_string(server.port);
        if (int rc = ldap_initialize(&ld_, url.c_str()); rc != LDAP_SUCCESS)
            return Failure(rc);
        int version = LDAP_VERSION3;
        ldap_set_option(ld_, LDAP_OPT_PROTOCOL_VERSION, &version);
        ldap_set_option(ld_, LDAP_OPT_REFERRALS, LDAP_OPT_OFF);
        timeval limit{timeout_, 0};
        ldap_set_option(ld_, LDAP_OPT_NETWORK_TIMEOUT, &limit);
        ldap_set_option(ld_, LDAP_OPT_TIMEOUT, &limit);
        berval cred{static_cast<ber_len_t>(password.size()), const_cast<char *>(password.data())};
        int msgid = 0;
        int rc = ldap_sasl_bind(ld_, bindDn.empty() ? nullptr : bindDn.c_str(), LDAP_SASL_SIMPLE, &cred, nullptr,
                                nullptr, &msgid);
        Result result = rc == LDAP_SUCCESS ? Await(msgid, nullptr) : Failure(rc);
        if (!result.Ok())
            Close();
        return result;
    }

    Result Search(const std::string &base, Scope scope, const std::string &filter,
                  const std::vector<std::string> &attributes, std::vector<Entry> &entries) override
    {
        if (!ld_)
            return Result{kServerDown, "not connected"};
        std::vector<char *> attrs;
        for (const auto &a : attributes)
            attrs.push_back(const_cast<char *>(a.c_str()));
        attrs.push_back(nullptr);
        int ldapScope = scope == Scope::Base ? LDAP_SCOPE_BASE
                                             : scope == Scope::OneLevel ? LDAP_SCOPE_ONELEVEL : LDAP_SCOPE_SUBTREE;
        timeval limit{timeout_, 0};
        int msgid = 0;
        int rc = ldap_search_ext(ld_, base.c_str(), ldapScope, filter.c_str(), attrs.data(), 0, nullptr, nullptr,
                                 &limit, 0, &msgid);
        if (rc != LDAP_SUCCESS)
            return Failure(rc);
        return Await(msgid, &entries);
    }

    Result Modify(const std::string &dn, const std::vector<Modification> &changes) override
    {
        if (!ld_)
            return Result{kServerDown, "not connected"};
        ModList list(changes);
        int msgid = 0;
        int rc = ldap_modify_ext(ld_, dn.c_str(), list.pointers.data(), nullptr, nullptr, &msgid);
        return rc == LDAP_SUCCESS ? Await(msgid, nullptr) : Failure(rc);
    }

    Result Add(const std::string &dn, const std::vector<Modification> &attributes) override
    {
        if (!ld_)
            return Result{kServerDown, "not connected"};
        ModList list(attributes);
        int msgid = 0;
        int rc = ldap_add_ext(ld_, dn.c_str(), list.pointers.data(), nullptr, nullptr, &msgid);
        return rc == LDAP_SUCCESS ? Await(msgid, nullptr) : Failure(rc);
    }

private:
    void Close()
    {
        if (ld_)
            ldap_unbind_ext(ld_, nullptr, nullptr);
        ld_ = nullptr;
    }

    Result Failure(int rc)
    {
        Result result{Normalised(rc), ldap_err2string(rc)};
        if (result.code == kServerDown || result.code == kTimeout || result.code == kConnectError)
            Close();   // the connection is of no further use
        return result;
    }

    // Waits for the whole answer to `msgid`; entries of a search go to `entries`.
    Result Await(int msgid, std::vector<Entry> *entries)
    {
        LDAPMessage *answer = nullptr;
        timeval limit{timeout_, 0};
        int type = ldap_result(ld_, msgid, LDAP_MSG_ALL, &limit, &answer);
        if (type == 0) {
            ldap_abandon_ext(ld_, msgid, nullptr, nullptr);
            if (answer)
                ldap_msgfree(answer);
            Close();
            return Result{kTimeout, "the server did not answer within " + std::to_string(timeout_) + " s"};
        }
        if (type < 0) {
            int rc = LDAP_SERVER_DOWN;
            ldap_get_option(ld_, LDAP_OPT_RESULT_CODE, &rc);
            if (answer)
                ldap_msgfree(answer);
            return Failure(rc);
        }
        if (entries)
            TakeEntries(answer, *entries);
        int code = LDAP_OTHER;
        char *message = nullptr;
        int rc = ldap_parse_result(ld_, answer, &code, nullptr, &message, nullptr, nullptr, 1);
        if (rc != LDAP_SUCCESS)
            return Failure(rc);
        Result result{Normalised(code), message && *message ? message : ldap_err2string(code)};
        if (message)
            ldap_memfree(message);
        return result;
    }

    void TakeEntries(LDAPMessage *answer, std::vector<Entry> &entries)
    {
        for (LDAPMessage *e = ldap_first_entry(ld_, answer); e; e = ldap_next_entry(ld_, e)) {
            Entry entry;
            if (char *dn = ldap_get_dn(ld_, e)) {
                entry.dn = dn;
                ldap_memfree(dn);
            }
            BerElement *ber = nullptr;
            for (char *a = ldap_first_attribute(ld_, e, &ber); a; a = ldap_next_attribute(ld_, e, ber)) {
                EntryAttribute attr;
                attr.type = a;
                if (berval **values = ldap_get_values_len(ld_, e, a)) {
                    for (berval **v = values; *v; ++v) {
                        const auto *p = reinterpret_cast<const uint8_t *>((*v)->bv_val);
                        attr.values.emplace_back(p, p + (*v)->bv_len);
                    }
                    ldap_value_free_len(values);
                }
                ldap_memfree(a);
                entry.attributes.push_back(std::move(attr));
            }
            if (ber)
                ber_free(ber, 0);
            entries.push_back(std::move(entry));
        }
    }

    LDAP *ld_ = nullptr;
    int timeout_ = 10;
};

}  // namespace

std::unique_ptr<Connection> MakeConnection()
{
    return std::make_unique<PosixConnection>();
}

}  // namespace dirstore::ldap

// Private LDAP directory servers for tests: scripts/directory-server.sh on free
// loopback ports, each in a folder of its own. Every server a test starts is
// stopped when the test program ends, however it ends (normal exit, a failed
// assertion, abort, a signal); its folder is removed.
#ifndef RAX_TESTS_DIRECTORY_SERVER_H
#define RAX_TESTS_DIRECTORY_SERVER_H

#include <string>

namespace testing_ldap {

class DirectoryServer {
public:
    DirectoryServer() = default;
    ~DirectoryServer();
    DirectoryServer(const DirectoryServer &) = delete;
    DirectoryServer &operator=(const DirectoryServer &) = delete;

    // A new server seeded from `store` (a store file; empty: the sample); false
    // with the script's output in `error` when it does not start.
    bool Start(const std::string &store, std::string &error);
    // A replica of `main` (which runs) that passes writes on to it.
    bool StartReplica(const DirectoryServer &main, std::string &error);
    // Stops the server, keeping its folder; Restart starts the same server again.
    void Stop();
    bool Restart(std::string &error);
    // Holds the server's process (it accepts connections but answers nothing) or lets it go on.
    void Pause(bool paused);

    std::string Url() const { return url_; }           // ldap://127.0.0.1:PORT/o=Kestrel
    std::string AdminDn() const { return adminDn_; }
    std::string AdminPasswordFile() const { return adminPasswordFile_; }
    // The password file of an identity by its lower-cased common name ("bob").
    std::string PasswordFile(const std::string &cn) const { return dir_ + "/passwords/" + cn + ".pw"; }

    // ldapsearch's LDIF of one entry (base scope) as the administrator, lines unwrapped.
    std::string Search(const std::string &dn, const std::string &attributes) const;

private:
    bool Run(const std::string &arguments, std::string &output);
    bool TakeSettings(const std::string &output, std::string &error);
    void NotePid();

    std::string dir_;
    int port_ = 0;
    int pid_ = 0;
    int slot_ = -1;
    std::string url_, adminDn_, adminPasswordFile_;
};

// A loopback TCP port nobody listens on at the moment.
int FreePort();

}  // namespace testing_ldap

#endif

#pragma once

// A throwaway PostgreSQL server for tests: initdb into a temporary folder, listening only on
// a Unix socket in that folder, stopped and removed when the object goes. PostgreSQL refuses
// to run as root, so under root the server runs as the "postgres" user (Debian's package
// creates it) through runuser; clients connect over the socket with trust authentication.

#include <filesystem>
#include <memory>
#include <string>

namespace tavrik::test {

struct SqlResult {
    int exitCode = -1;
    std::string output;  // psql's unaligned rows, then any error text

    bool ok() const { return exitCode == 0; }
};

class PgServer {
public:
    // Returns a running server, or nothing with why set to the reason it could not start.
    static std::unique_ptr<PgServer> start(std::string& why);

    PgServer(const PgServer&) = delete;
    PgServer& operator=(const PgServer&) = delete;
    ~PgServer();

    // Runs SQL text through psql as the database owner, stopping at the first error.
    SqlResult run(const std::string& sql) const;
    // Runs a file of SQL through psql as the database owner.
    SqlResult runFile(const std::filesystem::path& file) const;

private:
    PgServer(std::filesystem::path binDir, std::filesystem::path dir, std::string asUser);
    SqlResult psql(const std::string& input) const;

    std::filesystem::path m_binDir;
    std::filesystem::path m_dir;  // data, socket, log
    std::string m_asUser;         // "postgres" when running as root, else empty
};

}  // namespace tavrik::test

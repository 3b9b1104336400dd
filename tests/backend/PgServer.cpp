#include "tests/backend/PgServer.h"

#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <vector>

namespace tavrik::test {
namespace {

namespace fs = std::filesystem;

// Returns the newest installed server's bin folder (Debian keeps them per major version).
std::optional<fs::path> findBinDir() {
    std::vector<fs::path> found;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator("/usr/lib/postgresql", ec)) {
        if (fs::exists(entry.path() / "bin" / "initdb")
            && fs::exists(entry.path() / "bin" / "pg_ctl")) {
            found.push_back(entry.path() / "bin");
        }
    }
    if (found.empty()) {
        return std::nullopt;
    }
    std::sort(found.begin(), found.end(), [](const fs::path& a, const fs::path& b) {
        return std::stoi(a.parent_path().filename().string())
               < std::stoi(b.parent_path().filename().string());
    });
    return found.back();
}

std::string quote(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return out + "'";
}

// Runs a shell command line; returns its exit status and combined output.
SqlResult shell(const std::string& command, const fs::path& outputFile) {
    const int raw = std::system((command + " >" + quote(outputFile) + " 2>&1").c_str());
    SqlResult result;
    result.exitCode = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::ifstream in(outputFile);
    result.output.assign(std::istreambuf_iterator<char>(in), {});
    return result;
}

}  // namespace

PgServer::PgServer(fs::path binDir, fs::path dir, std::string asUser)
    : m_binDir(std::move(binDir)), m_dir(std::move(dir)), m_asUser(std::move(asUser)) {}

std::unique_ptr<PgServer> PgServer::start(std::string& why) {
    const auto binDir = findBinDir();
    if (!binDir) {
        why = "PostgreSQL server binaries not found under /usr/lib/postgresql (package postgresql)";
        return nullptr;
    }
    std::string asUser;
    uid_t uid = getuid();
    gid_t gid = getgid();
    if (geteuid() == 0) {
        const passwd* pw = getpwnam("postgres");
        if (!pw || std::system("command -v runuser >/dev/null 2>&1") != 0) {
            why = "running as root needs the 'postgres' user and runuser to start PostgreSQL";
            return nullptr;
        }
        asUser = "postgres";
        uid = pw->pw_uid;
        gid = pw->pw_gid;
    }
    std::string pattern = (fs::temp_directory_path() / "tavrik-pg.XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        why = "cannot create a temporary folder";
        return nullptr;
    }
    const fs::path dir = pattern;
    if (chown(dir.c_str(), uid, gid) != 0) {
        why = "cannot hand the temporary folder to the server's user";
        fs::remove_all(dir);
        return nullptr;
    }
    std::unique_ptr<PgServer> server(new PgServer(*binDir, dir, asUser));
    const std::string prefix = asUser.empty() ? "" : "runuser -u " + asUser + " -- ";
    const auto init = shell(prefix + quote((*binDir / "initdb").string()) + " -D "
                                + quote((dir / "data").string())
                                + " -A trust -U postgres -E UTF8 --locale=C --no-sync",
                            dir / "initdb.out");
    if (!init.ok()) {
        why = "initdb failed: " + init.output;
        return nullptr;
    }
    // No TCP at all: the socket lives in the private folder, so parallel runs cannot clash.
    const std::string options = "-k " + dir.string() + " -c listen_addresses= -c fsync=off";
    const auto started = shell(prefix + quote((*binDir / "pg_ctl").string()) + " -D "
                                   + quote((dir / "data").string()) + " -o " + quote(options)
                                   + " -l " + quote((dir / "server.log").string()) + " -w start",
                               dir / "pg_ctl.out");
    if (!started.ok()) {
        why = "the server did not start: " + started.output;
        return nullptr;
    }
    return server;
}

PgServer::~PgServer() {
    const std::string prefix = m_asUser.empty() ? "" : "runuser -u " + m_asUser + " -- ";
    shell(prefix + quote((m_binDir / "pg_ctl").string()) + " -D " + quote((m_dir / "data").string())
              + " -m immediate stop",
          m_dir / "stop.out");
    std::error_code ec;
    fs::remove_all(m_dir, ec);
}

SqlResult PgServer::psql(const std::string& input) const {
    return shell(quote((m_binDir / "psql").string()) + " -X -q -A -t -v ON_ERROR_STOP=1 -h "
                     + quote(m_dir.string()) + " -U postgres -d postgres " + input,
                 m_dir / "psql.out");
}

SqlResult PgServer::run(const std::string& sql) const {
    const fs::path file = m_dir / "query.sql";
    {
        std::ofstream out(file, std::ios::trunc);
        out << sql;
    }
    return runFile(file);
}

SqlResult PgServer::runFile(const fs::path& file) const {
    return psql("-f " + quote(file.string()));
}

}  // namespace tavrik::test

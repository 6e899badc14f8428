// Connecting to PostgreSQL without a server of its own: a catalog entry
// libpq cannot read, and a server that never answers.
#include "pg_connect.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

#include "test_support.h"

namespace tarn_test {
namespace {

using Clock = std::chrono::steady_clock;

// A TCP port on loopback that takes connections and never says a word.
class SilentServer {
 public:
  SilentServer() : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&address), size) != 0 || listen(fd_, 8) != 0 ||
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) != 0)
      throw std::runtime_error("no loopback listener");
    port_ = ntohs(address.sin_port);
  }
  ~SilentServer() { close(fd_); }
  std::string conninfo() const {
    return "host=127.0.0.1 port=" + std::to_string(port_) + " sslmode=disable gssencmode=disable dbname=ir";
  }

 private:
  int fd_;
  int port_ = 0;
};

class PgConnectTest : public TarnTest {};

TEST_F(PgConnectTest, AConninfoLibpqCannotReadIsACatalogError) {
  home_.write_catalog("PG postgresql nonsense=1 dbname=ir\n");
  sqlca ca = connect("PG");
  EXPECT_SQLCODE(TARN_SQL_ALIAS_NOT_FOUND, ca);
  EXPECT_NE(nullptr, std::strstr(ca.sqlerrmc, "nonsense")) << ca.sqlerrmc;
  EXPECT_SQLCODE(TARN_SQL_ALIAS_NOT_FOUND, create_database("PG"));
}

// libpq alone would wait forever for a server that accepted the connection
// and never answered: the store's worker would hang in CONNECT.
TEST_F(PgConnectTest, AServerThatNeverAnswersTimesOut) {
  SilentServer silent;
  tarn::ConnectOptions options;
  options.connect_timeout = std::chrono::seconds(2);
  auto start = Clock::now();
  try {
    tarn::connect_to_server(silent.conninfo(), {}, options);
    ADD_FAILURE() << "connected to a server that never answers";
  } catch (const tarn::EngineError& error) {
    EXPECT_EQ(TARN_SQL_CONNECTION_LOST, error.sqlcode) << error.message;
  }
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(8));

  // A timeout of the conninfo's own wins over the default.
  start = Clock::now();
  EXPECT_THROW(tarn::connect_to_server(silent.conninfo() + " connect_timeout=2", {}), tarn::EngineError);
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(8));
}

}  // namespace
}  // namespace tarn_test

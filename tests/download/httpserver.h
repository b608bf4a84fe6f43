#pragma once

#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace lyrovo::testing {

// A small HTTP/1.1 server on 127.0.0.1 (an ephemeral port) for the download
// tests. It runs on its own threads, because the downloads under test block
// the calling thread. Every answer closes its connection. Routes:
//   /               200 "ok"
//   /utf8, /gbk     a lyric page in UTF-8 / GBK (see kUtf8Page, kGbkPage)
//   /lrc            a complete six-line lyric (kLyricFile)
//   /bytes/N        200 with N bytes "x"
//   /empty          200 with an empty body
//   /echo...        200 with the request target as received
//   /notfound       404
//   /moved-nowhere  302 without a Location
//   /redirect       302 to http://127.0.0.1:<port>/utf8
//   /chain/N        302 to /chain/N-1; /chain/0 answers 200 "end of chain"
//   /loop           302 to itself
//   /to-file        302 to file:///etc/passwd
//   /slow           announces 100000 bytes, sends one every 100 ms
//   /silent         reads the request and never answers
//   /huge           announces 1 GiB and streams it
//   /endless        streams up to 1 GiB without announcing a length
//   /header-flood   sends header lines without end
//   /nolength/N     200 with N bytes "x" and no Content-Length (the end of the body closes)
// Pages a test sets with setPage or setRaw answer their exact target
// (query included) before every route above.
// Every connection ends when the client goes away, when the stream ends, or
// when the server stops; a stream never exceeds 1 GiB.
class TestHttpServer {
 public:
  static constexpr char kUtf8Page[] =
      "  [ti:\xE6\xAD\x8C\xE8\xAF\x8D]\r\n[00:01.00]\xE4\xBD\xA0\xE5\xA5\xBD  ";
  static constexpr char kLyricFile[] =
      "[ti:song]\r\n[00:01.00]one\r\n[00:02.00]two\r\n[00:03.00]three\r\n[00:04.00]four\r\n"
      "[00:05.00]five\r\n[00:06.00]six\r\n";
  static constexpr char kGbkPage[] = "[ti:\xB8\xE8\xB4\xCA]\r\n[00:01.00]\xC4\xE3\xBA\xC3";

  TestHttpServer();
  ~TestHttpServer();
  TestHttpServer(const TestHttpServer&) = delete;
  TestHttpServer& operator=(const TestHttpServer&) = delete;

  std::uint16_t port() const { return port_; }
  // Answers target with status (e.g. "200 OK"), body and extra header lines ("Name: value\r\n").
  void setPage(const std::string& target, const std::string& status, const std::string& body,
               const std::string& headers = {});
  // Answers target with exactly these bytes, then closes the connection.
  void setRaw(const std::string& target, const std::string& bytes);
  // A page set for target waits this long before it answers (less when the client leaves).
  void setDelay(const std::string& target, std::chrono::milliseconds delay);
  QString url(const char* path) const;

  int requests(const std::string& target) const;  // requests received for target
  int totalRequests() const;
  std::string lastTarget() const;
  std::string lastRequest() const;                          // request line and headers of the last request
  std::int64_t streamedBytes() const { return streamed_; }  // body bytes sent by /huge and /endless

  // Waits until every connection that began a request has been served and
  // closed; false on timeout. A connection that never sends a byte does not
  // count: HTTP clients open spare connections for queued requests and may
  // keep one unused until they are destroyed.
  bool waitIdle(std::chrono::milliseconds timeout);

 private:
  void acceptLoop();
  // Serves one connection; sets requested once its first byte arrives, when
  // the connection starts counting as active.
  void serve(int socket, bool& requested);
  bool sendAll(int socket, const std::string& data);
  bool waitPeerGone(int socket, std::chrono::milliseconds wait);

  int listener_ = -1;
  std::uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<std::int64_t> streamed_{0};
  mutable std::mutex mutex_;
  std::condition_variable idle_;
  int active_ = 0;
  std::map<std::string, int> counts_;
  std::map<std::string, std::string> pages_;
  std::map<std::string, std::chrono::milliseconds> delays_;
  std::string lastTarget_;
  std::string lastRequest_;
  std::vector<std::thread> handlers_;
  std::thread acceptor_;
};

// A loopback port nothing listens on: bound, read, and closed again.
std::uint16_t closedPort();

}  // namespace lyrovo::testing

#pragma once
#include <cstdint>
#include <list>
#include <memory>

#include "core/Fd.h"
#include "core/Multiplexer.h"

// A small self-contained TCP server for TPKT-framed messages of at most 512
// bytes: accepts any number of clients, hands every received body to one
// receiver, and sends either to every client or, from within the receiver's
// call, back to the client the message came from. A client that sends a
// malformed or oversized frame, fails, hangs up, or cannot take a whole
// message is closed; the others go on.
class TPKTTracer {
 public:
  static constexpr unsigned kMaxBody = 512;

  class Receiver {
   public:
    virtual ~Receiver() = default;
    virtual void OnMessage(void const* data, unsigned length) = 0;
  };

  TPKTTracer() = default;
  ~TPKTTracer();
  TPKTTracer(TPKTTracer const&) = delete;
  TPKTTracer& operator=(TPKTTracer const&) = delete;

  bool Listen(unsigned short port);
  void Send(void const* data, unsigned length);
  void SetReceiver(Receiver* receiver) { receiver_ = receiver; }

  // The port listened on (the kernel's pick for port 0), 0 when not listening.
  unsigned short port() const;
  size_t connections() const { return connections_.size(); }

 private:
  struct Connection {
    bool header = true;
    uint32_t expected = 4;
    uint32_t received = 0;
    Event event;
    uint8_t buffer[kMaxBody];
  };
  using List = std::list<std::unique_ptr<Connection>>;

  void OnEvent(int fd, short revents);
  void OnDataEvent(int fd, short revents);
  // Reads what is there; false when the connection must be closed.
  bool ReadFrom(int fd, Connection& c);
  void CloseConnection(List::iterator position);
  List::iterator FindConnection(int fd);
  bool SendTo(Connection& c, uint8_t const* header, void const* data, unsigned length);

  Receiver* receiver_ = nullptr;
  Fd listen_;
  Event listenEvent_;
  List connections_;
  List::iterator current_ = connections_.end();
  // A connection closed while its own event is being served is deleted
  // once that event returns.
  std::unique_ptr<Connection> closing_;
};

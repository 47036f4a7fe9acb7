#pragma once
#include <cstdint>
#include <memory>
#include <poll.h>
#include <utility>

#include "core/Fd.h"
#include "core/Multiplexer.h"

// Two engines that run on the main loop without blocking it and report their
// end to one handler with a status value.
namespace ASync {

// The owned completion handler of an engine: a member function of the owner
// class bound with Bind, replaced (and the old one deleted) by the next Bind.
template <class... Args>
class Bindable {
 public:
  class Handler {
   public:
    virtual ~Handler() = default;
    virtual void Invoke(Args... args) = 0;
  };

  template <class T>
  class THandler : public Handler {
   public:
    using Action = void (T::*)(Args...);
    THandler(Action action, T* object) : action_(action), object_(object) {}
    void Invoke(Args... args) override {
      if (action_) (object_->*action_)(args...);
    }

   private:
    Action action_;
    T* object_;
  };

  Bindable() = default;
  Bindable(Bindable const&) = delete;
  Bindable& operator=(Bindable const&) = delete;
  ~Bindable() { delete handler_; }

  void Bind(Handler* handler) {
    if (handler == handler_) return;
    delete handler_;
    handler_ = handler;
  }
  template <class T>
  void Bind(typename THandler<T>::Action action, T* object) {
    Bind(new THandler<T>(action, object));
  }
  void UnBind() { Bind(nullptr); }

 protected:
  // The last thing a caller does: the handler may destroy the engine.
  void Notify(Args... args) {
    if (handler_) handler_->Invoke(std::move(args)...);
  }

 private:
  Handler* handler_ = nullptr;
};

struct CopyStatus {
  enum Type : int32_t {
    Idle = 0,      // never started
    Copying = 1,   // reading and writing
    Draining = 2,  // the source is finished or stopped; buffered data is still being written
    Flushing = 3,  // all data written; waiting for the flush events on the destination
    Failed = 4,    // a read or write failed, or a descriptor reported an error or hang-up
    Done = 5,      // everything copied and flushed
    Aborted = 6,   // the masks or the buffer size were changed while a copy was under way
  };
};

// Copies everything from a source descriptor to a destination descriptor
// through one buffer, both non-blocking and watched by the loop, and at the
// end of the source waits until the destination reports its flush events.
// Every Start leads to exactly one report (Done, Failed or Aborted), unless
// the copier is destroyed or started again first.
class Copy : public Bindable<CopyStatus::Type> {
 public:
  using Status = CopyStatus;

  // Poll masks; a flush mask of 0 means no final wait on the destination.
  struct EventsParams {
    short source = POLLIN;
    short destination = POLLOUT;
    short flush = POLLWRNORM;
  };

  Copy();

  // Starts copying (over again when a copy is under way, which is then not
  // reported). The end may be reported before Start returns. Returns 0.
  int Start(Fd source, Fd destination);
  // Stops reading; the buffered data is still written and flushed (Done).
  void Stop();
  // Both end a copy under way with Aborted.
  void set_events(EventsParams const& events);
  // A size of 0 is refused (false): it could copy nothing.
  bool set_bufsize(unsigned size);

  Status::Type status() const { return status_; }
  // The errno of the failed read or write, or after an error event the
  // destination's pending socket error; 0 when none (also for a destination
  // that is no socket).
  int error() const { return error_; }
  uint32_t total() const { return total_; }
  unsigned bufsize() const { return bufsize_; }

 private:
  using Step = bool (Copy::*)();
  bool SrcReady();
  bool DstReady();
  bool NotReady() { return false; }
  // Runs the steps while they can go on; nothing of this object is touched
  // after a step that ended the copy, since the handler may destroy it.
  void Progress();
  bool GoFlushing();
  bool FlushWait();
  bool End(Status::Type status);
  bool under_way() const {
    return status_ == Status::Copying || status_ == Status::Draining || status_ == Status::Flushing;
  }
  void Watch(short sourceMask, short destinationMask);
  ssize_t WriteOut();
  void OnSrcEvent(int fd, short revents);
  void OnDstEvent(int fd, short revents);

  Fd source_;
  Fd destination_;
  EventsParams events_;
  unsigned bufsize_ = 0;
  int error_ = 0;
  Step step_ = &Copy::NotReady;
  Event sourceEvent_;
  Event destinationEvent_;
  uint32_t total_ = 0;
  uint8_t* writePos_ = nullptr;
  uint8_t* dataEnd_ = nullptr;
  Status::Type status_ = Status::Idle;
  std::unique_ptr<uint8_t[]> buffer_;
  bool socketDestination_ = false;
};

struct ConnectStatus {
  enum Type : int32_t { Idle = 0, Connecting = 1, Failed = 2, Connected = 3, Stopped = 4 };
};

// A non-blocking TCP connect to an address text with a time-out; the
// connected socket goes to the handler. Every Start is reported once
// (Connected, Failed or Stopped), unless the connector is destroyed or
// started again first. The bound member function receives its own duplicate
// of the socket (empty unless Connected); the connector's copy is closed
// after the call.
class Connect : public Bindable<ConnectStatus::Type, Fd> {
 public:
  using Status = ConnectStatus;

  Connect();

  // The address is a dotted quad with an optional colon and decimal port
  // (port 0 when absent). A text that does not parse, a bad port or the
  // address 0.0.0.0 ends Failed without connecting.
  void Start(char const* address, unsigned timeoutMs);
  void Stop();

  Status::Type status() const { return status_; }
  // The errno of the failed step, or the socket's pending error; 0 when none.
  int error() const { return error_; }

 private:
  void End(Status::Type status);
  void Cancel();
  void OnSocketEvent(int fd, short revents);
  void OnTimeOut(Timer* timer);

  Status::Type status_ = Status::Idle;
  Fd socket_;
  Event event_;
  Timer timer_;
  int error_ = 0;
};

}  // namespace ASync

#pragma once
#include <csignal>
#include <cstddef>
#include <new>

#include "core/IntrusiveList.h"
#include "core/Multiplexer.h"

// Child-exit notification. A `ChildWait` is the interest in one child process;
// the one `ChildWaitService` reaps every child in its SIGCHLD handler, passes
// each (pid, status) record through a local datagram socket pair into the main
// loop, and there calls the handler of the ChildWait waiting for that pid.
//
// Order of use: Bind with a member function, start the child, Attach with its
// pid; Detach (or destroy the ChildWait) when the notification is no longer
// wanted. The handler runs once; attach again for a new child.
class ChildWait : public F_dual_list_item<ChildWait> {
 public:
  class Handler {
   public:
    virtual ~Handler() = default;
    virtual void Invoke(ChildWait& wait, int status) = 0;
    // Handlers live in the ChildWait's own storage: nothing to free.
    static void operator delete(void*) {}
  };

  class DummyHandler : public Handler {
   public:
    void Invoke(ChildWait&, int) override {}
  };

  template <class T>
  class THandler1 : public Handler {
   public:
    THandler1(T& object, void (T::*action)(int)) : object_(object), action_(action) {}
    void Invoke(ChildWait&, int status) override {
      if (action_) (object_.*action_)(status);
    }

   private:
    T& object_;
    void (T::*action_)(int);
  };

  ChildWait() { handler_ = new (storage_) DummyHandler; }
  ChildWait(ChildWait const&) = delete;
  ChildWait& operator=(ChildWait const&) = delete;
  ~ChildWait();

  template <class T>
  void Bind(T* object, void (T::*action)(int)) {
    static_assert(sizeof(THandler1<T>) <= sizeof(storage_), "the handler fits the ChildWait");
    handler_->~Handler();
    handler_ = new (storage_) THandler1<T>(*object, action);
  }

  // Waits for the child with this pid (moving to the end of the waiting list
  // when already waiting).
  void Attach(int pid);
  void Detach();
  int pid() const { return pid_; }
  bool waiting() const;

  // The service: made before the first and removed after the last user by the
  // counter below; Activate opens the socket pair and installs the handler.
  static void Initialize();
  static void Cleanup();
  static void Activate();
  static int UsageCounter;

 private:
  friend class ChildWaitService;
  int pid_ = 0;
  alignas(std::max_align_t) unsigned char storage_[64];
  Handler* handler_;
};

class ChildWaitService {
 public:
  static ChildWaitService* childWaitService;

  // The SIGCHLD handler, installed in the three-argument form.
  static void SigChldHandlerWrapper(int signo, siginfo_t* info, void* context);
  void OnChildEvent(int fd, short revents);

  bool active() const { return writeFd_ >= 0; }
  // The socket end the signal handler writes to (-1 until activated).
  int write_descriptor() const { return writeFd_; }

 private:
  friend class ChildWait;
  ChildWaitService() = default;
  ~ChildWaitService();

  Event readEvent_;
  // A plain descriptor, read by the signal handler.
  volatile sig_atomic_t writeFd_ = -1;
  F_dual_list<ChildWait> waiting_;
};

// Every module that includes this header counts as a user of the service.
namespace {
struct ChildWaitUser {
  ChildWaitUser() {
    if (++ChildWait::UsageCounter == 1) ChildWait::Initialize();
  }
  ~ChildWaitUser() {
    if (--ChildWait::UsageCounter == 0) ChildWait::Cleanup();
  }
} const childWaitUser;
}  // namespace

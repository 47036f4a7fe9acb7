#pragma once
#include <csignal>
#include <cstdint>
#include <iosfwd>
#include <poll.h>
#include <string>
#include <vector>

#include "core/Fd.h"
#include "core/IntrusiveList.h"
#include "core/Measure.h"
#include "core/MuxTime.h"

// The daemon's single-threaded engine: one global `multiplexer` runs a poll()
// loop over attached descriptor handlers, fires one-shot millisecond timers in
// expiry order, runs deferred procedure calls twice a pass and drives the
// board's watchdog. Everything else only registers objects with it.

class Multiplexer;

// The names of the set poll bits joined by "|"; no bit gives "".
std::string PollEventAsText(short events);

// Something the loop polls.
class EventHandler : public F_dual_list_item<EventHandler> {
 public:
  EventHandler() = default;
  EventHandler(EventHandler const&) = delete;
  EventHandler& operator=(EventHandler const&) = delete;
  virtual ~EventHandler();
  virtual void shedule_event(pollfd& entry) = 0;
  virtual void svc_event(short revents) = 0;
  virtual std::string event_name() const { return "unknown"; }
  virtual bool is_named() const { return false; }

  void mux_attach();
  void mux_detach();
  void svc_event() { svc_event(revents_); }
  bool attached() const { return attached_; }
  short revents() const { return revents_; }

 private:
  friend class Multiplexer;
  bool attached_ = false;
  short revents_ = 0;
  int pollIndex_ = -1;  // entry in the current poll array, -1 when none
};

// One descriptor with a poll mask and a bound callback. The callback runs on
// every served pass, also with a poll result of 0, and tests its own bits.
class Event : public EventHandler {
 public:
  class Handler {
   public:
    virtual ~Handler() = default;
    virtual void Invoke(int fd, short revents) = 0;
  };

  template <class T>
  class THandler : public Handler {
   public:
    using Action = void (T::*)(int, short);
    THandler(Action action, T* object) : action_(action), object_(object) {}
    void Invoke(int fd, short revents) override {
      if (action_) (object_->*action_)(fd, revents);
    }

   private:
    Action action_;
    T* object_;
  };

  Event() = default;
  ~Event() override;

  // Watches `fd` (a duplicate of it, unless it is this Event's own descriptor)
  // with `events`; the handler moves to the end of the loop's order.
  void Schedule(Fd const& fd, short events);
  void Release();
  void Bind(Handler* handler);
  void UnBind() { Bind(nullptr); }
  template <class T>
  void Bind(std::string const& name, typename THandler<T>::Action action, T* object) {
    name_ = name;
    Bind(new THandler<T>(action, object));
  }

  void shedule_event(pollfd& entry) override;
  void svc_event(short revents) override;
  using EventHandler::svc_event;
  std::string event_name() const override { return name_; }
  bool is_named() const override { return true; }

  Fd const& fd() const { return fd_; }
  short events() const { return events_; }
  std::string const& name() const { return name_; }
  void set_name(std::string const& name) { name_ = name; }
  uint32_t counter() const { return counter_; }
  bool has_handler() const { return handler_ != nullptr; }
  Measure const& measure() const { return measure_; }

 private:
  Handler* handler_ = nullptr;
  Fd fd_;
  short events_ = 0;
  std::string name_ = "Unknown";
  uint32_t counter_ = 0;
  Measure measure_;
};

// One pending one-shot timer. Expiries compare by signed 32-bit difference,
// so the order holds across the 2^32 ms wrap.
class TimerEvent : public F_dual_list_item<TimerEvent> {
 public:
  TimerEvent() = default;
  TimerEvent(TimerEvent const&) = delete;
  TimerEvent& operator=(TimerEvent const&) = delete;
  virtual ~TimerEvent() { reset(); }
  virtual void fire() = 0;

  void schedule(unsigned int ms);
  void reset();
  int32_t compare(TimerEvent const& other) const { return static_cast<int32_t>(expiry_ - other.expiry_); }
  uint32_t expiry() const { return expiry_; }

 private:
  friend class Multiplexer;
  uint32_t expiry_ = 0;
};

// Holder of at most one pending timer. Arming replaces (and so cancels) the
// held event; destroying the holder cancels it.
class Timer {
 public:
  Timer() = default;
  Timer(Timer const&) = delete;
  Timer& operator=(Timer const&) = delete;
  ~Timer() { reset(); }

  TimerEvent* get() const { return event_; }
  TimerEvent* release() {
    TimerEvent* e = event_;
    event_ = nullptr;
    return e;
  }
  void reset(TimerEvent* e = nullptr) {
    TimerEvent* old = event_;
    event_ = e;
    if (old != e) delete old;
  }
  bool pending() const { return event_ != nullptr; }

  template <class T>
  void set(unsigned int ms, void (T::*action)(), T* object);
  template <class T>
  void set(unsigned int ms, void (T::*action)(Timer*), T* object);
  void set(unsigned int ms, void (*action)());

 private:
  TimerEvent* event_ = nullptr;
};

// Timer adapters: each arms itself at construction and, when it fires, empties
// its holder, calls back, then deletes itself, so the callback may re-arm the
// holder or destroy its owner.
template <class T>
class ObjTimerEvent1 : public TimerEvent {
 public:
  ObjTimerEvent1(Timer* owner, void (T::*action)(), T* object, unsigned int ms)
      : owner_(owner), action_(action), object_(object) {
    schedule(ms);
  }
  void fire() override {
    owner_->release();
    (object_->*action_)();
    delete this;
  }

 private:
  Timer* owner_;
  void (T::*action_)();
  T* object_;
};

template <class T>
class ObjTimerEvent2 : public TimerEvent {
 public:
  ObjTimerEvent2(Timer* owner, void (T::*action)(Timer*), T* object, unsigned int ms)
      : owner_(owner), action_(action), object_(object) {
    schedule(ms);
  }
  void fire() override {
    Timer* owner = owner_;
    owner->release();
    (object_->*action_)(owner);
    delete this;
  }

 private:
  Timer* owner_;
  void (T::*action_)(Timer*);
  T* object_;
};

class SimpleTimerEvent1 : public TimerEvent {
 public:
  SimpleTimerEvent1(Timer* owner, void (*action)(), unsigned int ms) : owner_(owner), action_(action) {
    schedule(ms);
  }
  void fire() override {
    owner_->release();
    action_();
    delete this;
  }

 private:
  Timer* owner_;
  void (*action_)();
};

template <class T>
void Timer::set(unsigned int ms, void (T::*action)(), T* object) {
  reset(new ObjTimerEvent1<T>(this, action, object, ms));
}

template <class T>
void Timer::set(unsigned int ms, void (T::*action)(Timer*), T* object) {
  reset(new ObjTimerEvent2<T>(this, action, object, ms));
}

inline void Timer::set(unsigned int ms, void (*action)()) { reset(new SimpleTimerEvent1(this, action, ms)); }

// Callback of a deferred procedure call.
class DpcHandler {
 public:
  virtual void Invoke() = 0;
  virtual ~DpcHandler() = default;
};

template <class T>
class TDpcHandler : public DpcHandler {
 public:
  TDpcHandler(T* object, void (T::*action)()) : object_(object), action_(action) {}
  void Invoke() override { (object_->*action_)(); }

 private:
  T* object_;
  void (T::*action_)();
};

class DpcHandler1 : public DpcHandler {
 public:
  explicit DpcHandler1(void (*action)()) : action_(action) {}
  void Invoke() override { action_(); }

 private:
  void (*action_)();
};

// A deferred procedure call: while active its handler runs twice on every
// pass of the loop, once after the timers and once right before poll.
class Dpc {
 public:
  Dpc() = default;
  Dpc(Dpc const&) = delete;
  Dpc& operator=(Dpc const&) = delete;
  ~Dpc();

  void Bind(DpcHandler* handler);
  template <class T>
  void Bind(T* object, void (T::*action)()) {
    Bind(new TDpcHandler<T>(object, action));
  }
  void Activate();
  void Deactivate();
  bool active() const { return active_; }
  void Invoke() {
    if (handler_) handler_->Invoke();
  }

 private:
  DpcHandler* handler_ = nullptr;
  bool active_ = false;
};

// An object the loop asks for an extra wait limit on every pass.
class TimerPoolPlugin {
 public:
  TimerPoolPlugin() = default;
  TimerPoolPlugin(TimerPoolPlugin const&) = delete;
  TimerPoolPlugin& operator=(TimerPoolPlugin const&) = delete;
  virtual ~TimerPoolPlugin() { timerUnhook(); }
  // The wait in milliseconds this plug-in allows; negative for no opinion.
  virtual int timerPollWait() = 0;
  void timerHook();
  void timerUnhook();

 private:
  bool hooked_ = false;
};

class Multiplexer {
 public:
  class TimerPollNotify {
   public:
    virtual ~TimerPollNotify() = default;
    virtual void removeTimerPoolPlugin(TimerPoolPlugin* plugin) = 0;
  };

  Multiplexer();
  ~Multiplexer();
  Multiplexer(Multiplexer const&) = delete;
  Multiplexer& operator=(Multiplexer const&) = delete;

  void run(bool useWatchdog, bool ownClock);
  void terminate() { terminate_ = 1; }
  bool terminating() const { return terminate_ != 0; }

  void attach(EventHandler* handler);
  void detach(EventHandler* handler);
  bool event_exists(EventHandler* handler) const;
  void set(TimerEvent* event);
  void reset(TimerEvent* event);
  void attach(Dpc* dpc);
  void dettach(Dpc* dpc);
  void hook(TimerPoolPlugin* plugin);
  void unhook(TimerPoolPlugin* plugin);
  void dump(std::ostream& os) const;

  // Steps of a pass. timers_schedule fires the due timers, runs the deferred
  // calls and returns the wait to the earliest pending timer: -1 when none is
  // pending, 0 when one is due now.
  int timers_schedule();
  void execute_dpc();
  int timerPoll_schedule();
  void resetWD();

  uint32_t timer_count() const { return timers_.count(); }
  size_t dpc_count() const { return dpcs_.size(); }
  bool watchdog_open() const { return watchdog_ >= 0; }
  // Passes begun since the process started; a deferred call that should act
  // once a pass compares it with the pass it last acted in.
  uint32_t pass_count() const { return passes_; }

 private:
  class PollGuard;
  void pass(bool ownClock);
  void poll_and_serve(bool ownClock);
  int next_timer_wait();
  void open_watchdog();
  void close_watchdog();
  void watchdog_write(char const* word, char const* failure);

  F_sorted_list<TimerEvent> timers_;
  F_dual_list<EventHandler> arrival_;
  F_dual_list<EventHandler> served_;
  F_dual_list<EventHandler> active_;
  std::vector<pollfd> pollArray_;
  std::vector<EventHandler*> polled_;  // the handler of each poll entry; null once detached
  std::vector<Dpc*> dpcs_;
  std::vector<Dpc*> run_;
  size_t runPos_ = 0;
  volatile std::sig_atomic_t terminate_ = 0;
  uint32_t passes_ = 0;
  Measure dpcMeasure_;
  Measure eventMeasure_;
  Measure timerMeasure_;
  std::vector<TimerPoolPlugin*> plugins_;
  TimerPollNotify* guard_ = nullptr;
  int watchdog_ = -1;
  bool pinged_ = false;
  uint32_t lastPing_ = 0;
};

// The one main loop. It is constructed before, and destroyed after, every
// other static object, so owners that detach at exit always find it.
extern Multiplexer multiplexer;

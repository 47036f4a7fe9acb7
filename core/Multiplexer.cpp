#include "core/Multiplexer.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <unistd.h>

#include "core/BoardPath.h"
#include "core/Ext.h"
#include "core/Profile.h"

Multiplexer multiplexer __attribute__((init_priority(101)));

namespace {
char const* const kWatchdogPath = "/dev/misc/gw-wd";
constexpr uint32_t kMaxTimerWait = 7200000;  // two hours
constexpr int kWatchdogWait = 1000;
}  // namespace

std::string PollEventAsText(short events) {
  static char const* const names[] = {"POLLIN",     "POLLPRI",    "POLLOUT",    "POLLERR",
                                      "POLLHUP",    "POLLNVAL",   "POLLRDNORM", "POLLRDBAND",
                                      "POLLWRNORM", "POLLWRBAND", "POLLMSG"};
  std::string text;
  for (unsigned bit = 0; bit < 11; ++bit)
    if (static_cast<unsigned short>(events) & (1u << bit)) text.append("|").append(names[bit]);
  return text.empty() ? text : text.substr(1);
}

// ---- EventHandler and Event ----

EventHandler::~EventHandler() {
  // An owner that forgot to detach must not leave a dangling handler behind.
  if (attached_) multiplexer.detach(this);
}

void EventHandler::mux_attach() {
  if (!attached_) multiplexer.attach(this);
}

void EventHandler::mux_detach() {
  if (attached_) multiplexer.detach(this);
}

Event::~Event() {
  delete handler_;
  handler_ = nullptr;
  if (fd_.valid()) mux_detach();
  fd_.close();
}

void Event::Schedule(Fd const& fd, short events) {
  if (fd_.valid()) mux_detach();
  if (fd.get() != fd_.get()) {
    fd_.close();
    fd_ = fd;
  }
  events_ = events;
  if (fd_.valid()) mux_attach();
}

void Event::Release() {
  if (fd_.valid()) mux_detach();
  fd_.close();
}

void Event::Bind(Handler* handler) {
  if (handler == handler_) return;
  delete handler_;
  handler_ = handler;
}

void Event::shedule_event(pollfd& entry) {
  entry.fd = fd_.get();
  entry.events = events_;
  entry.revents = 0;
}

void Event::svc_event(short revents) {
  if (revents & events_) ++counter_;
  if (handler_) handler_->Invoke(fd_.get(), revents);
}

// ---- TimerEvent, Dpc, TimerPoolPlugin ----

void TimerEvent::schedule(unsigned int ms) {
  expiry_ = Mux::milliseconds() + ms;
  multiplexer.set(this);
}

void TimerEvent::reset() { multiplexer.reset(this); }

Dpc::~Dpc() {
  Deactivate();
  delete handler_;
}

void Dpc::Bind(DpcHandler* handler) {
  if (handler == handler_) return;
  delete handler_;
  handler_ = handler;
}

void Dpc::Activate() {
  if (!active_) multiplexer.attach(this);
  active_ = true;
}

void Dpc::Deactivate() {
  if (active_) multiplexer.dettach(this);
  active_ = false;
}

void TimerPoolPlugin::timerHook() {
  if (hooked_) return;
  multiplexer.hook(this);
  hooked_ = true;
}

void TimerPoolPlugin::timerUnhook() {
  if (!hooked_) return;
  multiplexer.unhook(this);
  hooked_ = false;
}

// ---- Multiplexer ----

Multiplexer::Multiplexer() = default;
Multiplexer::~Multiplexer() = default;

void Multiplexer::attach(EventHandler* handler) {
  if (event_exists(handler)) {
    std::cerr << "duplicate multiplexer attach \"" << handler->event_name() << "\" ignored." << std::endl;
    return;
  }
  arrival_.push_back(handler);
  handler->attached_ = true;
}

void Multiplexer::detach(EventHandler* handler) {
  if (arrival_.contains(handler))
    arrival_.remove(handler);
  else if (served_.contains(handler))
    served_.remove(handler);
  else if (active_.contains(handler))
    active_.remove(handler);
  else {
    std::cerr << "indvalid Multiplexer::detach " << handler->event_name() << std::endl;
    return;
  }
  handler->attached_ = false;
  // Its poll entry of this pass, if any, no longer belongs to anybody.
  int index = handler->pollIndex_;
  if (index >= 0 && static_cast<size_t>(index) < polled_.size() && polled_[index] == handler) {
    polled_[index] = nullptr;
    pollArray_[index].fd = -1;
  }
  handler->pollIndex_ = -1;
}

bool Multiplexer::event_exists(EventHandler* handler) const {
  return arrival_.contains(handler) || served_.contains(handler) || active_.contains(handler);
}

void Multiplexer::set(TimerEvent* event) {
  reset(event);
  timers_.insert_to_tail_by_grown(event);
}

void Multiplexer::reset(TimerEvent* event) {
  if (timers_.contains(event)) timers_.remove(event);
}

void Multiplexer::attach(Dpc* dpc) {
  auto at = std::lower_bound(dpcs_.begin(), dpcs_.end(), dpc, std::less<Dpc*>());
  if (at == dpcs_.end() || *at != dpc) dpcs_.insert(at, dpc);
}

void Multiplexer::dettach(Dpc* dpc) {
  auto at = std::find(dpcs_.begin(), dpcs_.end(), dpc);
  if (at != dpcs_.end()) dpcs_.erase(at);
  auto pending = std::find(run_.begin() + static_cast<std::ptrdiff_t>(runPos_), run_.end(), dpc);
  if (pending != run_.end()) run_.erase(pending);
}

// Unhooking while plug-ins are being asked goes through the guard, which also
// drops the plug-in from the ones still to be asked.
class Multiplexer::PollGuard : public Multiplexer::TimerPollNotify {
 public:
  explicit PollGuard(Multiplexer& mux) : mux_(mux) {}
  void removeTimerPoolPlugin(TimerPoolPlugin* plugin) override {
    mux_.plugins_.erase(std::remove(mux_.plugins_.begin(), mux_.plugins_.end(), plugin), mux_.plugins_.end());
    pending.erase(std::remove(pending.begin(), pending.end(), plugin), pending.end());
  }
  std::vector<TimerPoolPlugin*> pending;

 private:
  Multiplexer& mux_;
};

void Multiplexer::hook(TimerPoolPlugin* plugin) { plugins_.push_back(plugin); }

void Multiplexer::unhook(TimerPoolPlugin* plugin) {
  if (guard_)
    guard_->removeTimerPoolPlugin(plugin);
  else
    plugins_.erase(std::remove(plugins_.begin(), plugins_.end(), plugin), plugins_.end());
}

int Multiplexer::timerPoll_schedule() {
  if (plugins_.empty()) return INT_MAX;
  PollGuard guard(*this);
  guard_ = &guard;
  int result = INT_MAX;
  guard.pending.swap(plugins_);
  while (!guard.pending.empty()) {
    TimerPoolPlugin* plugin = guard.pending.front();
    guard.pending.erase(guard.pending.begin());
    plugins_.push_back(plugin);
    int wait = plugin->timerPollWait();
    if (wait >= 0 && wait < result) result = wait;
  }
  guard_ = nullptr;
  return result;
}

void Multiplexer::execute_dpc() {
  run_ = dpcs_;
  runPos_ = 0;
  while (runPos_ < run_.size()) {
    Dpc* dpc = run_[runPos_++];
    dpcMeasure_.begin();
    dpc->Invoke();
    dpcMeasure_.end();
  }
  run_.clear();
  runPos_ = 0;
}

int Multiplexer::next_timer_wait() {
  TimerEvent* first = timers_.head();
  if (first == nullptr) return -1;
  uint32_t now = Mux::milliseconds();
  int32_t ahead = static_cast<int32_t>(first->expiry_ - now);
  if (ahead <= 0) return 0;
  uint32_t wait = static_cast<uint32_t>(ahead);
  if (wait <= kMaxTimerWait) return static_cast<int>(wait);
  // The time of day stepped back, or a timer was armed more than two hours
  // ahead: every pending timer fires about one second from now.
  std::cerr << "******** RUNTIME ERROR CONDITION *************"
            << "Multiplexer::timers_schedule() invalid wait time detected!" << std::endl
            << "now = " << now << std::endl
            << "first = " << first->expiry_ << std::endl
            << "count = " << timers_.count() << std::endl;
  for (TimerEvent* t : timers_) t->expiry_ = now + 1000;
  return 1000;
}

int Multiplexer::timers_schedule() {
  uint32_t now = Mux::milliseconds();
  while (TimerEvent* first = timers_.head()) {
    if (static_cast<int32_t>(now - first->expiry_) < 0) break;
    timers_.remove(first);
    timerMeasure_.begin();
    first->fire();
    timerMeasure_.end();
  }
  execute_dpc();
  return next_timer_wait();
}

void Multiplexer::watchdog_write(char const* word, char const* failure) {
  if (watchdog_ < 0) return;
  if (::write(watchdog_, word, std::strlen(word)) < 0) std::cerr << failure << std::strerror(errno) << std::endl;
}

void Multiplexer::resetWD() { watchdog_write("PING", "Mux: ping watchdog failed: "); }

void Multiplexer::open_watchdog() {
  watchdog_ = ::open(Board::path(kWatchdogPath).c_str(), O_WRONLY | O_CLOEXEC);
  if (watchdog_ < 0) {
    std::cerr << "Mux: fail to open watchdog: " << std::strerror(errno) << std::endl;
    return;
  }
  if (::write(watchdog_, "START", 5) != 5) {
    std::cerr << "Mux: fail to activate watchdog: " << std::strerror(errno) << std::endl;
    ::close(watchdog_);
    watchdog_ = -1;
  }
}

void Multiplexer::close_watchdog() {
  if (watchdog_ < 0) return;
  watchdog_write("STOP", "Mux: stop watchdog failed: ");
  ::close(watchdog_);
  watchdog_ = -1;
}

void Multiplexer::run(bool useWatchdog, bool ownClock) {
  terminate_ = 0;
  if (useWatchdog) open_watchdog();
  if (!ownClock) Mux::mux_settimeofday();
  pinged_ = false;
  while (!terminate_) pass(ownClock);
  std::clog << "Mux: terminating..." << std::endl;
  close_watchdog();
  if (!ownClock) Mux::mux_cleartimeofday();
}

void Multiplexer::pass(bool ownClock) {
  ++passes_;
  timers_schedule();
  active_.append(arrival_);

  size_t n = active_.size();
  if (pollArray_.size() != n) {
    pollArray_.resize(n);
    polled_.resize(n);
  }
  size_t i = 0;
  for (EventHandler* h : active_) {
    h->shedule_event(pollArray_[i]);
    h->pollIndex_ = static_cast<int>(i);
    polled_[i] = h;
    ++i;
  }

  execute_dpc();
  // A timer or deferred call that asked the loop to stop ends the pass here.
  if (!terminate_) poll_and_serve(ownClock);

  // Handlers left unserved by a termination keep their place after the
  // served ones, so a later run still polls every one of them.
  served_.append(active_);
  active_.merge(served_);
  for (EventHandler* h : active_) h->pollIndex_ = -1;
  std::fill(polled_.begin(), polled_.end(), nullptr);
}

void Multiplexer::poll_and_serve(bool ownClock) {
  // The wait is taken after the deferred calls, which may have armed a timer;
  // a due timer (0) never leaves poll blocking.
  int timeout = next_timer_wait();
  int plugin = timerPoll_schedule();
  if (plugin != INT_MAX && (timeout < 0 || plugin < timeout)) timeout = plugin;
  // Entries of handlers detached by the deferred calls hold -1; with no live
  // entry left, poll would wait for ever, as on an empty array.
  if (timeout < 0 && std::none_of(pollArray_.begin(), pollArray_.end(), [](pollfd const& e) { return e.fd >= 0; })) {
    std::cerr << "multiplexer: system hang detected!!!" << std::endl;
    std::abort();
  }
  if (watchdog_ >= 0 && static_cast<unsigned>(timeout) > static_cast<unsigned>(kWatchdogWait)) timeout = kWatchdogWait;

  int ready = ::poll(pollArray_.data(), pollArray_.size(), timeout);
  int pollErrno = errno;
  if (!ownClock) Mux::mux_settimeofday();

  uint32_t now = Mux::milliseconds();
  if (!pinged_ || now < lastPing_ || now - lastPing_ > 999) {
    pinged_ = true;
    lastPing_ = now;
    resetWD();
  }

  if (ready < 0) {
    if (pollErrno == EINTR) return;
    std::cerr << "multiplexer poll failed: " << std::strerror(pollErrno) << std::endl;
    std::abort();
  }
  if (ready == 0) return;
  // Results are stored before any handler runs, each with the handler its
  // entry was built for; entries of handlers detached since are skipped.
  for (size_t k = 0; k < polled_.size(); ++k)
    if (polled_[k]) polled_[k]->revents_ = pollArray_[k].revents;
  while (!active_.empty() && !terminate_) {
    EventHandler* h = active_.remove_from_head();
    served_.push_back(h);
    eventMeasure_.begin();
    h->svc_event();
    eventMeasure_.end();
  }
}

void Multiplexer::dump(std::ostream& os) const {
  os << "dpc transition measurement (min/max/cur/counter): " << dpcMeasure_ << '\n';
  os << "event transition measurement (min/max/cur/counter): " << eventMeasure_ << '\n';
  os << "timer transition measurement (min/max/cur/counter): " << timerMeasure_ << '\n';
  Profile::dump(os);
  ext::Table table(40, 30, 10, 10, 5, 60);
  {
    ext::Table::Sentry s(os, table);
    s << ext::delimeter << ext::beginrow << "name" << ext::nextrow << "events" << ext::nextrow << "count"
      << ext::nextrow << "handler" << ext::nextrow << "fd" << ext::nextrow << "measure" << ext::nextrow
      << ext::delimeter;
  }
  for (EventHandler* h : active_) {
    if (!h->is_named()) continue;
    Event const* e = dynamic_cast<Event const*>(h);
    if (e == nullptr) continue;
    ext::Table::Sentry s(os, table);
    s << ext::beginrow << e->name() << ext::nextrow << PollEventAsText(e->events()) << ext::nextrow
      << static_cast<unsigned>(e->counter()) << ext::nextrow << (e->has_handler() ? "attached" : "unattached")
      << ext::nextrow << e->fd().get() << ext::nextrow << e->measure() << ext::nextrow;
  }
  {
    ext::Table::Sentry s(os, table);
    s << ext::delimeter;
  }
  os << '\n';
}

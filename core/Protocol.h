#pragma once
#include <iosfwd>
#include <string>

#include "core/IntrusiveList.h"
#include "core/Packet.h"

// Protocol stacks. A layer is a `Protocol`; a stack is a `ProtocolsList`,
// bottom layer first; a `ProtocolsFamily` is a stack that behaves as one layer
// towards whatever holds it, so stacks nest. Packets go down through
// `transmit` and `message`, up through `on_message` and `receive`; a stack is
// activated from the bottom and confirms upward, is taken down from the top,
// and an error travels up to the owner carrying the layer that failed.

class Protocol;
class ProtocolsList;

class Protocol_name {
 public:
  virtual ~Protocol_name() = default;
  virtual int kind() const = 0;
  virtual std::string name() const = 0;
  virtual bool compare(Protocol_name const& other) const = 0;
};

// All null names are equal.
class Protocol_name_null : public Protocol_name {
 public:
  int kind() const override { return 0; }
  std::string name() const override { return "(no name)"; }
  bool compare(Protocol_name const& other) const override { return other.kind() == 0; }
};

class Protocol_name_str : public Protocol_name {
 public:
  explicit Protocol_name_str(char const* text) : text_(text ? text : "(no name)") {}
  int kind() const override { return 1; }
  std::string name() const override { return text_; }
  bool compare(Protocol_name const& other) const override { return other.kind() == 1 && other.name() == text_; }

 private:
  std::string text_;
};

class Protocol_info {
 public:
  virtual ~Protocol_info() = default;
  virtual bool compare_name(Protocol_name const&) const { return false; }
  virtual Protocol_name const& name() const { return nullName_; }

 private:
  Protocol_name_null nullName_;
};

// A status report of a layer, always held through Smart_pointer, which
// deletes it with the last handle.
class Internal_protocol_status {
 public:
  Internal_protocol_status(Protocol* origin, std::string text) : origin_(origin), text_(std::move(text)) {}
  Internal_protocol_status(Internal_protocol_status const&) = delete;
  Internal_protocol_status& operator=(Internal_protocol_status const&) = delete;
  virtual ~Internal_protocol_status() = default;
  virtual bool success() const = 0;
  virtual std::string message() const { return text_; }
  virtual void out(std::ostream& os) const;

  Protocol* origin() const { return origin_; }

  uint32_t refcount = 0;

 private:
  Protocol* origin_;
  std::string text_;
};

inline void smart_pointer_free(Internal_protocol_status* status) { delete status; }

class Protocol_status_success : public Internal_protocol_status {
 public:
  explicit Protocol_status_success(Protocol* origin, std::string text = "success")
      : Internal_protocol_status(origin, std::move(text)) {}
  bool success() const override { return true; }
};

class Protocol_status_error : public Internal_protocol_status {
 public:
  Protocol_status_error(Protocol* origin, std::string text) : Internal_protocol_status(origin, std::move(text)) {}
  bool success() const override { return false; }
};

class Protocol_initialize_error : public Protocol_status_error {
 public:
  explicit Protocol_initialize_error(Protocol* origin) : Protocol_status_error(origin, "error") {}
};

using Protocol_status = Smart_pointer<Internal_protocol_status>;

// One layer. In a stack the next list item is the layer above and the
// previous one the layer below; the owner is the stack that holds the layer.
class Protocol : public F_dual_list_item<Protocol>, public Protocol_info {
 public:
  Protocol() = default;
  Protocol(Protocol const&) = delete;
  Protocol& operator=(Protocol const&) = delete;
  // Leaves the owner's stack.
  ~Protocol() override;

  // Work of this layer alone; concrete layers override these.
  virtual void local_prepare_head(Packet& packet) { packet.reserve_head(0); }
  virtual void local_prepare_tail(Packet& packet) { packet.reserve_tail(0); }
  virtual Protocol_status local_initialize() { return new Protocol_status_success(this); }
  virtual void local_activate() { on_activate(); }
  virtual void local_deactivate() { on_deactivate(new Protocol_status_success(this)); }

  // Forwarding: down to the layer below (or the owner), up to the layer
  // above (or the owner); with neither, the packet or status is dropped.
  virtual void transmit(Packet& packet);
  virtual void on_message(Packet& packet);
  virtual void on_activate();
  virtual void on_deactivate(Protocol_status status);
  virtual void on_status(Protocol_status status);
  virtual void message(Packet&) {}
  virtual void receive(Packet&) {}
  virtual void activate();
  virtual void deactivate() { local_deactivate(); }
  virtual std::ostream& protocol_info(std::ostream& os) const { return os; }

  // This layer and every layer below reserve their room, the bottom one first.
  void prepare_head(Packet& packet);
  void prepare_tail(Packet& packet);
  // The status of the first layer from the bottom that failed, or the
  // success of this one.
  Protocol_status initialize();

  Protocol* below() const { return prev_item(); }
  Protocol* above() const { return next_item(); }
  ProtocolsList* owner() const { return owner_; }

 private:
  friend class ProtocolsList;
  ProtocolsList* owner_ = nullptr;
};

// A stack of layers, bottom first, that owns them and deletes them top first.
class ProtocolsList : public Protocol, private F_dual_list<Protocol> {
 public:
  ProtocolsList() = default;
  ~ProtocolsList() override;

  virtual void on_activated(Protocol*) {}
  virtual void on_deactivated(Protocol*, Protocol_status) {}
  // Puts the layer below the bottom one (head) or on top of the top one (tail).
  virtual Protocol* add_protocol_head(Protocol* layer);
  virtual Protocol* add_protocol_tail(Protocol* layer);

  // The first layer from the bottom whose compare_name accepts the name.
  Protocol* search(Protocol_name const& name) const;

  Protocol* bottom() const { return head(); }
  Protocol* top() const { return tail(); }
  uint32_t layers() const { return size(); }

 private:
  friend class Protocol;
  void adopt(Protocol* layer);
};

// A stack that is one layer of the stack around it: packets and activation
// pass through its inner layers, and its inner top and bottom layers talk to
// the outside through the family. An empty family drops the packets given to
// its `message` and `receive`, reserves no room and fails to initialize;
// activation and deactivation go straight on through it.
class ProtocolsFamily : public ProtocolsList {
 public:
  void local_prepare_head(Packet& packet) override;
  void local_prepare_tail(Packet& packet) override;
  Protocol_status local_initialize() override;
  void local_activate() override;
  void local_deactivate() override;
  void message(Packet& packet) override;
  void receive(Packet& packet) override;
  void on_activated(Protocol* layer) override;
  void on_deactivated(Protocol* layer, Protocol_status status) override;
};

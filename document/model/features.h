#pragma once
// Features: named value links between a document object and a visual control.
//
// A generic_variable is the source end (the object holds the value); a generic_control is the
// consuming end that reads and writes a variable of the same type. Both are generic_features
// that remember their connected peers, so whichever end dies first tells the other to forget
// it. feature_info describes one feature of an object (has_features::getFeature).
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace kv {

class generic_variable;
class generic_control;

class generic_feature {
 public:
  generic_feature() = default;
  generic_feature(const generic_feature&) = delete;
  generic_feature& operator=(const generic_feature&) = delete;
  virtual ~generic_feature() { disconnectAll(); }
  // Forgets the peer (called by the peer when it goes or disconnects).
  virtual void disconnect(generic_feature* peer) {
    peers_.erase(std::remove(peers_.begin(), peers_.end(), peer), peers_.end());
  }
  const std::vector<generic_feature*>& peers() const { return peers_; }

 protected:
  void addPeer(generic_feature* peer) {
    if (std::find(peers_.begin(), peers_.end(), peer) == peers_.end()) peers_.push_back(peer);
  }
  void disconnectAll() {
    std::vector<generic_feature*> peers;
    peers.swap(peers_);
    for (generic_feature* p : peers) p->disconnect(this);
  }
  friend class generic_control;
  std::vector<generic_feature*> peers_;
};

class generic_control : public generic_feature {
 public:
  virtual bool accepts(generic_feature* feature) = 0;
  virtual bool connect(generic_feature* feature) = 0;
  virtual void update() {}
};

class generic_variable : public generic_feature {
 public:
  // Tells every connected control to update.
  virtual void changed() {
    std::vector<generic_feature*> peers = peers_;
    for (generic_feature* p : peers)
      if (std::find(peers_.begin(), peers_.end(), p) != peers_.end())
        static_cast<generic_control*>(p)->update();
  }
  void link(generic_control* control) { addPeer(control); }
};

template <typename T>
class variable : public generic_variable {
 public:
  variable() = default;
  explicit variable(T initial) : value_(initial) {}
  // Stores the value and tells the controls, only when it differs.
  void set(const T& value) {
    if (value_ == value) return;
    value_ = value;
    changed();
  }
  void setQuiet(const T& value) { value_ = value; }
  const T& get() const { return value_; }

 protected:
  T value_{};
};

// A variable that also calls a member function of its owner after each change.
template <typename T, typename Owner>
class variable_addin : public variable<T> {
 public:
  using Callback = void (Owner::*)();
  variable_addin(Owner* owner, Callback callback) : owner_(owner), callback_(callback) {}
  void changed() override {
    variable<T>::changed();
    if (owner_ && callback_) (owner_->*callback_)();
  }

 private:
  Owner* owner_;
  Callback callback_;
};

template <typename T>
class control_std : public generic_control {
 public:
  ~control_std() override { disconnect(variable_); }
  bool accepts(generic_feature* feature) override {
    return dynamic_cast<variable<T>*>(feature) != nullptr;
  }
  bool connect(generic_feature* feature) override {
    auto* v = dynamic_cast<variable<T>*>(feature);
    if (!v) return false;
    if (variable_) disconnect(variable_);
    variable_ = v;
    addPeer(v);
    v->link(this);
    update();
    return true;
  }
  void disconnect(generic_feature* peer) override {
    if (!peer) return;
    if (peer == variable_) {
      variable<T>* v = variable_;
      variable_ = nullptr;
      generic_feature::disconnect(peer);
      v->disconnect(this);
    } else {
      generic_feature::disconnect(peer);
    }
  }
  variable<T>* getVariable() const { return variable_; }
  T get() const { return variable_ ? variable_->get() : T{}; }
  void set(const T& value) {
    if (variable_) variable_->set(value);
  }

 protected:
  variable<T>* variable_ = nullptr;
};

template <typename T>
using control = control_std<T>;

// A control that calls a member function of its owner when its variable changes.
template <typename Owner, typename Base>
class control_addin : public Base {
 public:
  using Callback = void (Owner::*)();
  control_addin(Owner* owner, Callback callback) : owner_(owner), callback_(callback) {}
  void update() override {
    if (owner_ && callback_) (owner_->*callback_)();
  }

 private:
  Owner* owner_;
  Callback callback_;
};

// Both ends at once: its own variable side feeds the controls connected to it, and when that
// value changes it is pushed on to the variable it controls; when the controlled variable
// changes, the relay's own value follows.
template <typename T>
class control_relay : public variable<T> {
 public:
  control_relay() : control_(this) {}
  void changed() override {
    variable<T>::changed();
    if (!relaying_) {
      relaying_ = true;
      control_.set(this->value_);
      relaying_ = false;
    }
  }
  control_std<T>& controlSide() { return control_; }

 private:
  class Side : public control_std<T> {
   public:
    explicit Side(control_relay* relay) : relay_(relay) {}
    void update() override {
      if (relay_->relaying_ || !this->variable_) return;
      relay_->relaying_ = true;
      relay_->set(this->variable_->get());
      relay_->relaying_ = false;
    }

   private:
    control_relay* relay_;
  };
  Side control_;
  bool relaying_ = false;
};

// A feature without a value: firing it triggers every connected consumer.
class generic_event : public generic_variable {
 public:
  void fire() { changed(); }
};

class event_trigger_control : public generic_control {
 public:
  ~event_trigger_control() override { disconnectAll(); }
  bool accepts(generic_feature* feature) override { return dynamic_cast<generic_event*>(feature) != nullptr; }
  bool connect(generic_feature* feature) override {
    auto* e = dynamic_cast<generic_event*>(feature);
    if (!e) return false;
    addPeer(e);
    e->link(this);
    return true;
  }
  // Fires every event this control is connected to.
  void trigger() {
    std::vector<generic_feature*> peers = peers_;
    for (generic_feature* p : peers) static_cast<generic_event*>(p)->fire();
  }
};

// An event whose firing calls a member function of the module that owns it ("Reload DLL").
template <typename Owner>
class feature_event_cug : public generic_event {
 public:
  using Callback = void (Owner::*)();
  feature_event_cug(Owner* owner, Callback callback) : owner_(owner), callback_(callback) {}
  void changed() override {
    generic_event::changed();
    if (owner_ && callback_) (owner_->*callback_)();
  }

 private:
  Owner* owner_;
  Callback callback_;
};

struct feature_info {
  std::string name;
  int32_t datatype = 0;
  std::string extra;
  generic_variable* variable = nullptr;
  generic_control* control = nullptr;
  int32_t flag = 0;
};

}  // namespace kv

// The toolkit's base classes: objects, components with owners, event
// handlers, string lists and the thread class with synchronised calls.
//
// Properties follow one shape throughout the toolkit: a scalar property X is
// read with X() and written with SetX(value); an object property (a font, a
// list of lines, the entries of a menu) is a public constant pointer member
// named like the property; an event is a public std::function member named
// OnSomething that may stay empty.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TObject {
 public:
  TObject() = default;
  virtual ~TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
};

// Event with the sending object.
using TNotifyEvent = std::function<void(TObject* Sender)>;

// Binds a member function to its object as an event handler:
//   Button1->OnClick = MakeEvent(this, &TForm1::Button1Click);
template <class C, class S>
TNotifyEvent MakeEvent(C* object, void (C::*method)(S*)) {
  return [object, method](TObject* sender) { (object->*method)(static_cast<S*>(sender)); };
}

// A component belongs to its owner: destroying the owner destroys every
// component it owns (the most recently created first). A component destroyed
// on its own leaves its owner's list.
class TComponent : public TObject {
 public:
  explicit TComponent(TComponent* owner);
  ~TComponent() override;

  TComponent* Owner() const { return owner_; }
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Components(int index) const { return components_.at(static_cast<size_t>(index)); }

  const std::string& Name() const { return name_; }
  void SetName(const std::string& name) { name_ = name; }
  intptr_t Tag() const { return tag_; }
  void SetTag(intptr_t tag) { tag_ = tag; }

 protected:
  // Destroys every owned component now. Derived classes whose owned
  // components refer back to them call this first in their destructor.
  void DestroyComponents();

 private:
  void InsertComponent(TComponent* component);
  void RemoveComponent(TComponent* component);

  TComponent* owner_;
  std::vector<TComponent*> components_;
  std::string name_;
  intptr_t tag_ = 0;
};

// A list of text lines. Text is the lines each followed by CR LF; setting it
// splits at CR LF.
class TStrings : public TObject {
 public:
  virtual int Count() const = 0;
  virtual std::string Strings(int index) const = 0;
  virtual void Put(int index, const std::string& text) = 0;
  virtual int Add(const std::string& text) = 0;
  virtual void Delete(int index) = 0;
  virtual void Clear() = 0;
  virtual std::string Text() const;
  virtual void SetText(const std::string& text);

  std::string operator[](int index) const { return Strings(index); }
};

// A plain list of lines held in memory.
class TStringList : public TStrings {
 public:
  int Count() const override { return static_cast<int>(lines_.size()); }
  std::string Strings(int index) const override;
  void Put(int index, const std::string& text) override;
  int Add(const std::string& text) override;
  void Delete(int index) override;
  void Clear() override { lines_.clear(); }

 private:
  std::vector<std::string> lines_;
};

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

using TThreadMethod = std::function<void()>;

namespace toolkit {
struct ThreadState;
}

// A thread of the program. Execute runs on its own thread (a std::thread).
//
// A thread created running (createSuspended false) starts when the GUI thread
// next serves its synchronised calls, so the constructor of the derived class
// has finished before Execute can run; a suspended one starts with Start().
//
// Synchronize hands a call to the GUI thread and blocks until the GUI thread
// has run it; called on the GUI thread it runs the call at once. Terminate
// sets Terminated and releases a Synchronize that is waiting: the call is
// withdrawn and never runs, and no later Synchronize of this thread runs its
// call. Terminate on the GUI thread therefore guarantees that no call of this
// thread runs after it, and the thread can never wedge waiting for a GUI that
// is gone.
//
// With FreeOnTerminate the object deletes itself after Execute returns.
// Otherwise destroying it terminates it and waits for Execute to return
// (after the derived class's destructor has run: a derived class whose
// Execute uses its own members calls Terminate and WaitFor in its
// destructor).
// An exception that escapes Execute ends the thread; its text is kept in
// FatalMessage().
class TThread : public TObject {
 public:
  explicit TThread(bool createSuspended);
  ~TThread() override;

  // Starts a thread that was created suspended; no effect otherwise.
  void Start();
  void Resume() { Start(); }

  void Terminate();
  bool Terminated() const;

  bool FreeOnTerminate() const;
  void SetFreeOnTerminate(bool value);

  TThreadPriority Priority() const;
  void SetPriority(TThreadPriority priority);

  // Blocks until Execute has returned (not for FreeOnTerminate threads, not
  // on the thread itself); gives ReturnValue.
  int WaitFor();
  bool Finished() const;
  bool Suspended() const;

  void Synchronize(TThreadMethod method);
  // Synchronize with a member function of any object:
  //   Synchronize(Form1, &TForm1::Timer1Timer);
  template <class C>
  void Synchronize(C* object, void (C::*method)()) {
    Synchronize([object, method] { (object->*method)(); });
  }

  std::string FatalMessage() const;

 protected:
  virtual void Execute() = 0;

  int ReturnValue() const { return returnValue_; }
  void SetReturnValue(int value) { returnValue_ = value; }

 private:
  friend struct toolkit::ThreadState;
  static void Run(std::shared_ptr<toolkit::ThreadState> state);

  std::shared_ptr<toolkit::ThreadState> state_;
  int returnValue_ = 0;
};

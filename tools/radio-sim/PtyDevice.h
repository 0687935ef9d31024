// The simulator's end of the line: a pseudo-terminal pair whose slave device
// is reached through a symbolic link. The program opens the link like a
// serial port; the simulator reads and writes the master, reads the bit rate
// the program set from the slave's line settings, and learns when the program
// opens and closes the device from file-system notifications on the slave.
#pragma once

#include <cstdint>
#include <string>

namespace radiosim {

class PtyDevice {
 public:
  PtyDevice() = default;
  ~PtyDevice();
  PtyDevice(const PtyDevice&) = delete;
  PtyDevice& operator=(const PtyDevice&) = delete;

  // Creates the pair and points link at the slave. A link left behind whose
  // device no longer exists is replaced; anything else at the path is left
  // alone and reported. Returns false with error set.
  bool Create(const std::string& link, std::string& error);
  // Closes the master (the program's open device hangs up) and removes the
  // link when it still points at this pair.
  void Destroy();

  int Master() const { return master_; }
  int Notify() const { return notify_; }
  const std::string& SlavePath() const { return slave_; }

  // Bit rate the slave is set to (0 when it cannot be read).
  uint32_t Rate() const;

  // Reads pending notifications; opens and closes of the slave since the
  // last call, in order, are reported through the callbacks.
  template <class OnOpen, class OnClose>
  void ReadNotifications(OnOpen onOpen, OnClose onClose);

 private:
  bool NextEvent(int& delta);

  int master_ = -1;
  int notify_ = -1;
  std::string slave_;
  std::string link_;
  char events_[4096];
  int eventsLen_ = 0;
  int eventsAt_ = 0;
};

template <class OnOpen, class OnClose>
void PtyDevice::ReadNotifications(OnOpen onOpen, OnClose onClose) {
  int delta = 0;
  while (NextEvent(delta)) {
    if (delta > 0)
      onOpen();
    else
      onClose();
  }
}

}  // namespace radiosim

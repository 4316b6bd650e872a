// A recorder of the message boxes the client shows, shared by the store and
// the manager tests: while it lives, every box is kept instead of shown and
// answered with OK. It owns the records; one recorder per test, used from the
// test's thread.
#pragma once

#include <string>
#include <vector>

#include "platform/win32/MessageBox.h"

namespace clienttest {

struct ShownBox {
  void* owner;
  std::u16string text;
  std::u16string caption;
  unsigned buttons;
};

class CBoxRecorder {
 public:
  CBoxRecorder();
  const std::vector<ShownBox>& Boxes() const { return mBoxes; }

 private:
  std::vector<ShownBox> mBoxes;
  win32::ScopedMessageBoxHandler mHandler;
};

}  // namespace clienttest

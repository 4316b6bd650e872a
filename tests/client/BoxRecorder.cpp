#include "BoxRecorder.h"

namespace clienttest {

// The recorder can be neither copied nor moved, so the handler may keep this.
CBoxRecorder::CBoxRecorder()
    : mHandler([this](void* owner, const std::u16string& text, const std::u16string& caption,
                      unsigned buttons) {
        mBoxes.push_back({owner, text, caption, buttons});
        return win32::kIdOk;
      }) {}

}  // namespace clienttest

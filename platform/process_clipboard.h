// A clipboard inside the process: what was put is what is taken, for this
// program only. The clipboard of a system without a desktop one.
#pragma once

#include <utility>

#include "platform/clipboard.h"

namespace platform {

class ProcessClipboard final : public Clipboard {
public:
    bool put(Dib dib) override {
        dib_ = std::move(dib);
        return true;
    }
    Dib take() override { return dib_; }
    bool owned() override { return false; }

private:
    Dib dib_;
};

}  // namespace platform

#include "link_test_support.h"

#include <algorithm>

namespace vxtest {

std::vector<Frame> spiFrames(const vx::Bytes& sent) {
    std::vector<Frame> frames;
    for (size_t i = 0; i < sent.size();) {
        if (sent[i] != 0x80 || i + 1 >= sent.size()) {
            ++i;
            continue;
        }
        const size_t count = sent[i + 1];
        const auto begin = sent.begin() + static_cast<long>(i + 2);
        frames.emplace_back(begin, begin + static_cast<long>(std::min(count, sent.size() - i - 2)));
        i += 2 + count;
    }
    return frames;
}

LinkRig::LinkRig(vx::MemorySerialLine::Peer peer)
    : line(std::move(peer)),
      link(
          line, [](int port) { return "mem" + std::to_string(port); }, {}, clock) {
    clock->onIdle = [this] {
        if (onWait) onWait();
    };
    vx::ChipDisplay hooks;
    hooks.statusText = [this](const std::string& text) { texts.push_back(text); };
    hooks.progressVisible = [this](bool visible) {
        if (visible) progressShown = true;
    };
    hooks.chipWindowText = [this](const std::string& text) { chipWindow.push_back(text); };
    link.setDisplay(hooks);
}

void LinkRig::open() {
    int32_t status = 0;
    link.OpenPort(true, status);
}

bool LinkRig::saw(const std::string& text) const {
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

}  // namespace vxtest

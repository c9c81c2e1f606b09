#pragma once

#include "platform/FakeFileLayer.h"

#include <vector>

namespace vantry::test {

// One way a whole-file write fails on a full or broken disk, set up on a fake file layer.
struct DiskFailure {
    const char* name;
    void (*apply)(FakeFileLayer& files);
};

// Every step of a write failing in turn: the disk full before the first byte and part way,
// then the sync, the close and the rename failing.
const std::vector<DiskFailure>& diskFailures();

} // namespace vantry::test

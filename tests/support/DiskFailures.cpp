#include "support/DiskFailures.h"

namespace vantry::test {

const std::vector<DiskFailure>& diskFailures()
{
    static const std::vector<DiskFailure> failures{
        {"disk full before the first byte", [](FakeFileLayer& files) { files.failWritesAfter(0); }},
        {"disk full part way", [](FakeFileLayer& files) { files.failWritesAfter(5); }},
        {"sync fails", [](FakeFileLayer& files) { files.failFsync = true; }},
        {"close fails", [](FakeFileLayer& files) { files.failClose = true; }},
        {"rename fails", [](FakeFileLayer& files) { files.failRename = true; }},
    };
    return failures;
}

} // namespace vantry::test

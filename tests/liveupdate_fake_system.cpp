// Puts the library's exports on a fake platform, for the export tests and the fuzz target.

#include "liveupdate_fake_platform.h"

FakePlatform& fakeSystem()
{
    static FakePlatform platform;
    return platform;
}

corvanlu::Platform& corvanlu::systemPlatform()
{
    return fakeSystem();
}

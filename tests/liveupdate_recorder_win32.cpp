// A stand-in for the live-update service in the Windows tests: writes its command line to the file
// named by CORVANLU_RECORD.

#include <windows.h>

#include <fstream>
#include <string>

int main()
{
    char record[MAX_PATH] = {};
    if (GetEnvironmentVariableA("CORVANLU_RECORD", record, MAX_PATH) == 0) {
        return 1;
    }
    const std::string part = std::string(record) + ".part";
    std::ofstream(part, std::ios::binary) << GetCommandLineA();
    return MoveFileA(part.c_str(), record) ? 0 : 1;
}

// Where lmhost finds the plug-in when it is not told.
#pragma once

#include <optional>
#include <string>

class PluginLocation {
public:
    // The plug-in given on the command line, made absolute against the
    // current folder as the user means it (the system loader would search
    // its library path for a bare file name), or else besideExecutable.
    static std::string resolve(const std::optional<std::string>& given, const std::string& program);

    // The platform's plug-in file in the folder of the running lmhost, which
    // the build puts beside it: Quayline.so, or Quayline.qvl on Windows.
    // program is argv[0], used where the system cannot tell the
    // executable's own path.
    static std::string besideExecutable(const std::string& program);

private:
    static std::string executablePath(const std::string& program);
};

#include "FuzzAlphabet.h"

namespace {

template <typename Symbol>
const Symbol& pick(const std::vector<Symbol>& symbols, std::size_t choice) {
    return symbols[choice % symbols.size()];
}

}  // namespace

const std::vector<std::string>& FuzzAlphabet::eventTexts() {
    static const std::vector<std::string> texts{
        "",   "0",  "5",   "05",  "+5",  " 5",        "-5",         "-1",         "7",
        "007", "12", "9",  "10",  "100", "2",         "4294967295", "4294967296", "2147483648",
        "-2147483648", "99999999999999999999", "abc", "12abc", "\t\n42", "<\"]]>",
        "\xff\xfe", "\xc3\x28"};
    return texts;
}

const std::vector<std::string>& FuzzAlphabet::listeners() {
    static const std::vector<std::string> names{"", "a", "b", "A", "ext.one", "\"<]]>", "\xc3\x28"};
    return names;
}

const std::vector<std::int32_t>& FuzzAlphabet::statuses() {
    static const std::vector<std::int32_t> values{
        0,       0,      0,      0x10000, static_cast<std::int32_t>(0xFFFF0000u),
        static_cast<std::int32_t>(0x80000000u), 1, -1, 0x7FFF, 0x8000, 0xFFFF, 0x00010001, -108};
    return values;
}

const std::string& FuzzAlphabet::eventText(std::size_t choice) { return pick(eventTexts(), choice); }

const std::string& FuzzAlphabet::listener(std::size_t choice) { return pick(listeners(), choice); }

std::int32_t FuzzAlphabet::status(std::size_t choice) { return pick(statuses(), choice); }

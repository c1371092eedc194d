// Prints what the Mach-O loader reads from a bundle executable's rebase and
// bind information, one fix-up a line, for comparison with llvm-objdump:
//   rebase SEGMENT 0xADDRESS
//   bind|lazy SEGMENT 0xADDRESS INSTALL-NAME SYMBOL ADDEND
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

#include "BindReader.h"
#include "MachOFile.h"
#include "MachORefusal.h"
#include "RebaseReader.h"

namespace {

void printBindings(const MachOFile& file, const char* table, const std::vector<Binding>& bindings) {
    for (const Binding& binding : bindings) {
        const MachOSegment& segment = file.segments().at(static_cast<std::size_t>(binding.segment));
        std::cout << table << ' ' << segment.name << ' ' << MachORefusal::hex(segment.address + binding.offset) << ' '
                  << file.libraries().at(static_cast<std::size_t>(binding.library - 1)) << ' ' << binding.symbol << ' '
                  << binding.addend << '\n';
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: macho-dump MACH-O-FILE\n";
        return 2;
    }
    std::ifstream input(argv[1], std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(input)), std::istreambuf_iterator<char>());
    try {
        const MachOFile file(bytes);
        const SegmentBounds bounds(file.segments());
        for (const Rebase& rebase : RebaseReader::read(file.rebaseInfo(), bounds)) {
            const MachOSegment& segment = file.segments().at(static_cast<std::size_t>(rebase.segment));
            std::cout << "rebase " << segment.name << ' ' << MachORefusal::hex(segment.address + rebase.offset) << '\n';
        }
        printBindings(file, "bind", BindReader::read(file.bindInfo(), bounds, BindReader::Table::eager));
        printBindings(file, "lazy", BindReader::read(file.lazyBindInfo(), bounds, BindReader::Table::lazy));
    } catch (const MachORefusal& refusal) {
        std::cerr << "macho-dump: " << refusal.what() << '\n';
        return 1;
    }
    return 0;
}

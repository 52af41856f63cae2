// quenlix-mime-types: writes the shared-mime-info description of the trace files
// the program opens, from the extensions of the open dialog, so that the
// installed MIME types always match what the program reads.
//
//   quenlix-mime-types OUTPUT.xml

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iostream>
#include <set>
#include <string>

#include "import/TraceFormats.h"
#include "model/StringHelpers.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: quenlix-mime-types OUTPUT.xml\n";
        return 2;
    }
    std::set<std::string> patterns;
    for (const quenlix::OpenFilter& filter : quenlix::OpenDialogFilters())
        for (const std::string& pattern : filter.Patterns)
            if (pattern != "*" && pattern != "*.*") patterns.insert(quenlix::Lower(pattern));

    std::ofstream out(argv[1], std::ios::binary);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
           "  <mime-type type=\"application/x-quenlix-trace\">\n"
           "    <comment>LAN analyser trace file</comment>\n";
    // Several of these extensions are generic (.cap, .dat, .pkt): a low weight lets
    // more specific types of other programs win where they also claim them.
    for (const std::string& pattern : patterns) out << "    <glob pattern=\"" << pattern << "\" weight=\"20\"/>\n";
    out << "  </mime-type>\n</mime-info>\n";
    out.close();
    if (!out) {
        std::cerr << "quenlix-mime-types: cannot write " << argv[1] << "\n";
        return 1;
    }
    return 0;
}

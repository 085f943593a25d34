#include "tests/imagelib/corpus_manifest.h"

#include <fstream>
#include <sstream>

namespace tervo::testing {
namespace {

std::vector<std::string> split_tabs(const std::string& line) {
    std::vector<std::string> fields;
    std::string field;
    std::istringstream in(line);
    while (std::getline(in, field, '\t')) fields.push_back(field);
    if (!line.empty() && line.back() == '\t') fields.emplace_back();
    return fields;
}

int number_or_none(const std::string& text) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 9) return -1;
    return std::stoi(text);
}

}  // namespace

std::vector<CorpusEntry> read_manifest(const std::filesystem::path& corpus) {
    std::ifstream in(corpus / "MANIFEST.tsv");
    std::string line;
    if (!std::getline(in, line)) return {};
    const std::vector<std::string> header = split_tabs(line);
    std::map<std::string, size_t> column;
    for (size_t i = 0; i < header.size(); ++i) column[header[i]] = i;
    auto field = [&](const std::vector<std::string>& row, const char* name) {
        auto it = column.find(name);
        return it != column.end() && it->second < row.size() ? row[it->second] : std::string();
    };
    std::vector<CorpusEntry> entries;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        const std::vector<std::string> row = split_tabs(line);
        CorpusEntry e;
        e.path = field(row, "path");
        e.format = field(row, "format");
        e.klass = field(row, "class");
        e.width = number_or_none(field(row, "width"));
        e.height = number_or_none(field(row, "height"));
        e.frames = number_or_none(field(row, "frames"));
        e.role = field(row, "role");
        e.ref_for = field(row, "ref_for");
        e.notes = field(row, "notes");
        entries.push_back(std::move(e));
    }
    return entries;
}

}  // namespace tervo::testing

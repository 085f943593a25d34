#include "tests/support/corpus.h"

#include <cstdlib>
#include <fstream>
#include <map>
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

std::filesystem::path corpus_dir() {
    // A checkout elsewhere (a git worktree) names the corpus explicitly.
    for (const char* variable : {"TERVO_CORPUS_DIR", "TERVO_CORPUS"}) {
        if (const char* named = std::getenv(variable); named && *named) {
            const std::filesystem::path dir(named);
            if (std::filesystem::exists(dir / "MANIFEST.tsv")) return std::filesystem::weakly_canonical(dir);
        }
    }
    auto dir = std::filesystem::path(TERVO_SOURCE_DIR) / ".." / "shared" / "corpus";
    if (std::filesystem::exists(dir / "MANIFEST.tsv")) return std::filesystem::weakly_canonical(dir);
    return {};
}

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

std::vector<std::string> described_files(const CorpusEntry& reference) {
    std::vector<std::string> files;
    std::istringstream words(reference.ref_for);
    std::string word;
    while (words >> word)
        if (word.find('/') != std::string::npos && word.front() != '(') files.push_back(word);
    return files;
}

bool shows_first_frame(const CorpusEntry& reference) {
    return reference.ref_for.find("(frame ") == std::string::npos ||
           reference.ref_for.find("(frame 0)") != std::string::npos;
}

}  // namespace tervo::testing

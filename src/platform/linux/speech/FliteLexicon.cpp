#include "platform/linux/speech/FliteLexicon.h"

extern "C" {
#include <flite/cst_lexicon.h>
#include <flite/flite.h>
// Made by libflite_cmulex; it has no header of its own.
cst_lexicon* cmu_lex_init(void);
}

#include <map>
#include <mutex>
#include <set>

namespace brisklet::platform::FliteLexicon {

namespace {

// The speech model's phones.
const std::set<std::string>& modelSet() {
    static const std::set<std::string> phones = {"AA", "AE", "AH", "AO", "AW", "AY", "B",  "CH", "D",  "DH",
                                                 "EH", "ER", "EY", "F",  "G",  "HH", "IH", "IY", "JH", "K",
                                                 "L",  "M",  "N",  "NG", "OW", "OY", "P",  "R",  "S",  "SH",
                                                 "T",  "TH", "UH", "UW", "V",  "W",  "Y",  "Z",  "ZH"};
    return phones;
}

std::mutex& lexiconLock() {
    static std::mutex lock;
    return lock;
}

} // namespace

std::string modelPhones(const std::string& flitePhone) {
    // Stress marks are not part of the model's phones.
    std::string phone;
    for (char c : flitePhone) {
        if (c >= 'a' && c <= 'z')
            phone += char(c - 'a' + 'A');
        else if (c < '0' || c > '9')
            return {};
    }
    // Flite's phones that the model spells otherwise.
    static const std::map<std::string, std::string> renamed = {
        {"AX", "AH"}, {"AXR", "ER"}, {"EL", "AH L"}, {"EM", "AH M"}, {"EN", "AH N"},
        {"NX", "N"},  {"DX", "D"},   {"HV", "HH"},   {"WH", "W"},
    };
    if (auto it = renamed.find(phone); it != renamed.end())
        return it->second;
    return modelSet().count(phone) ? phone : std::string();
}

std::optional<std::string> pronounce(const std::string& word) {
    if (word.empty() || word.size() > 40)
        return std::nullopt;
    for (char c : word) {
        if (c < 'a' || c > 'z')
            return std::nullopt;
    }
    std::lock_guard guard(lexiconLock());
    // Each window's grammar asks again for the same names.
    static std::map<std::string, std::optional<std::string>> known;
    if (auto it = known.find(word); it != known.end())
        return it->second;
    static cst_lexicon* lexicon = cmu_lex_init();
    if (!lexicon)
        return std::nullopt;
    if (known.size() > 20000)
        known.clear();
    std::optional<std::string>& slot = known[word];
    cst_val* phones = lex_lookup(lexicon, word.c_str(), nullptr, nullptr);
    std::string out;
    bool ok = phones != nullptr;
    for (const cst_val* v = phones; v && ok; v = val_cdr(v)) {
        const std::string mapped = modelPhones(val_string(val_car(v)));
        ok = !mapped.empty();
        if (!out.empty())
            out += ' ';
        out += mapped;
    }
    if (phones)
        delete_val(phones);
    if (ok && !out.empty())
        slot = out;
    return slot;
}

} // namespace brisklet::platform::FliteLexicon

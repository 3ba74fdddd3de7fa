#pragma once

#include <optional>
#include <string>

namespace brisklet::platform::FliteLexicon {

// A pronunciation of an English-looking word of lower-case ASCII letters, in the
// speech model's phone set ("G AE L K Y AH L EY T ER"): from flite's US English
// lexicon, else its trained letter-to-sound rules. None for anything else. Any thread.
std::optional<std::string> pronounce(const std::string& word);

// One phone of flite's set ("ax0", "hh", "el") in the speech model's phones ("AH",
// "HH", "AH L"); empty when the model has no counterpart.
std::string modelPhones(const std::string& flitePhone);

} // namespace brisklet::platform::FliteLexicon

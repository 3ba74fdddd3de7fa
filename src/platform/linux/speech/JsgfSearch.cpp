#include "platform/linux/speech/JsgfSearch.h"

#include <sphinxbase/cmd_ln.h>
#include <sphinxbase/fsg_model.h>
#include <sphinxbase/jsgf.h>

#include <memory>

namespace brisklet::platform {

bool setJsgfSearch(ps_decoder_t* ps, const char* name, const std::string& jsgf) {
    const std::unique_ptr<jsgf_t, void (*)(jsgf_t*)> grammar(jsgf_parse_string(jsgf.c_str(), nullptr),
                                                             &jsgf_grammar_free);
    if (!grammar)
        return false;
    jsgf_rule_t* rule = jsgf_get_public_rule(grammar.get());
    if (!rule)
        return false;
    // The built grammar owns copies of its words: it outlives the parse. The search
    // takes a reference of its own, so ours is given back either way.
    fsg_model_t* fsg = jsgf_build_fsg(grammar.get(), rule, ps_get_logmath(ps),
                                      float32(cmd_ln_float_r(ps_get_config(ps), "-lw")));
    if (!fsg)
        return false;
    const bool set = ps_set_fsg(ps, name, fsg) >= 0;
    fsg_model_free(fsg);
    return set;
}

} // namespace brisklet::platform

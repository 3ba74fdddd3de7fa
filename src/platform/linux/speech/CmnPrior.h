#pragma once

#include <pocketsphinx.h>
#include <sphinxbase/cmn.h>
#include <sphinxbase/feat.h>

#include <cstddef>
#include <vector>

namespace brisklet::platform {

// The live cepstral mean a decoder starts from. Each utterance starts from it again:
// a mean learnt on a noisy utterance costs the next clean one (and the other way
// round) far more than starting fresh does.
struct CmnPrior {
    std::vector<mfcc_t> mean;

    void capture(ps_decoder_t* ps) {
        feat_t* feat = ps_get_feat(ps);
        if (!feat || !feat->cmn_struct)
            return;
        mean.assign(feat->cmn_struct->veclen, 0);
        cmn_live_get(feat->cmn_struct, mean.data());
    }
    void restore(ps_decoder_t* ps, int weightFrames) const {
        feat_t* feat = ps_get_feat(ps);
        if (!feat || !feat->cmn_struct || mean.size() != static_cast<std::size_t>(feat->cmn_struct->veclen))
            return;
        cmn_t* cmn = feat->cmn_struct;
        cmn_live_set(cmn, mean.data());
        for (int i = 0; i < cmn->veclen; ++i)
            cmn->sum[i] = mean[std::size_t(i)] * weightFrames;
        cmn->nframe = weightFrames;
    }
    // Moves the estimate to what the utterance has shown so far.
    static void follow(ps_decoder_t* ps) {
        feat_t* feat = ps_get_feat(ps);
        if (feat && feat->cmn_struct && feat->cmn_struct->nframe > 0)
            cmn_live_update(feat->cmn_struct);
    }
};

} // namespace brisklet::platform

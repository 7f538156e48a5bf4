#pragma once
// Framing again the characters of a reply that could not complete, and those that follow it, until
// the line is back in step. A noise byte leaves more than one way to frame what follows it: the one
// kept frames the most whole replies for the fewest characters taken as noise, so that a false start
// inside the damaged reply cannot swallow the valid replies behind it.
#include "link/link_state.h"
#include "link/reply_framer.h"

namespace brivola {

// `rx.RxBuffer` holds a reply that can never complete, or an `unrecognised` one that completed at the
// length of the last recognised reply and may as well be a noise byte ahead of whole replies: hunting
// starts from its first character.
void begin_hunt(RxFraming& rx, const ReplySink& on_reply, bool unrecognised = false);

// One more character while hunting.
void hunt_char(RxFraming& rx, char c, const ReplySink& on_reply);

// The line fell silent while hunting: the replies of the best framing found are handed over and the
// rest is forgotten.
void end_hunt(RxFraming& rx, const ReplySink& on_reply);

}  // namespace brivola

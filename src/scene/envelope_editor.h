#pragma once

#include "export.h"
#include "platform/dialog.h"

class Envelope;
class Pcontrol;

// What the envelope editor decides, apart from drawing: the desktop application's window
// calls these and shows the result. Every change re-samples the curve.

// The key's context menu: "Smooth", "Tangent" or "Linear". Choosing Smooth clears the key's
// "Advanced" mark; its tension, continuity and bias stay. False for a type that is none of
// these.
UNDALINE_API bool SetKeyType(Envelope* env, Pcontrol* key, int type);
// The "Spline controls" window: tension, continuity and bias of one key.
UNDALINE_API void SetKeySplineControls(Envelope* env, Pcontrol* key, float tension,
                                       float continuity, float bias);
// "Create key" at the cursor fields: ignored (null) when x is beyond the envelope's frames.
UNDALINE_API Pcontrol* CreateKeyAtCursor(Envelope* env, float x, float y);
// "Set frames": asks "This will remove existing information.\nDo you want to continue?" and
// on Yes gives the envelope the new length. Otherwise, or for a length that cannot be, the
// editor's field shows the old length again. True when the length changed.
UNDALINE_API bool AskSetFrames(Envelope* env, int frames, platform::Dialog* editor, int field);
// "Fit view to spline boundaries": the view becomes the extent of the samples.
UNDALINE_API void FitViewToSamples(Envelope* env);

// What the cursor is over, in a curve area of width × height pixels showing the view.
enum EnvelopeHitPart { kHitNothing = 0, kHitKey = 1, kHitSlopeIn = 2, kHitSlopeOut = 3 };
struct EnvelopeHit {
    int part;
    Pcontrol* key;
};
// Keys within 8 pixels of (px, py), and for Tangent keys the two slope handles drawn 10
// frames before and after the key (at value − 10·slope_in and value + 10·slope_out). Keys
// are tried in list order, each key before its handles.
UNDALINE_API EnvelopeHit HitTestEnvelope(Envelope* env, float px, float py, int width,
                                         int height);

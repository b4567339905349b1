#pragma once
// wlr-layer-shell's generated client code, for C++: the protocol names a
// request's argument `namespace`, a keyword here.
#define namespace layer_namespace
#include "wlr-layer-shell-unstable-v1-client.h"
#undef namespace

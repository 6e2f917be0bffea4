// Request kinds and command codes of the box's configuration protocol; they
// live in protocol/Protocol.h.
#pragma once

#include "protocol/Protocol.h"

#include "refengine/IPowerState.h"

IPowerState::~IPowerState() = default;

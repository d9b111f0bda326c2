#include "Action.h"

Action::Action() = default;

Action::~Action() = default;

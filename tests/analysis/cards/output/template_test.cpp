#include "tests/analysis/cards/cards_fixture.h"

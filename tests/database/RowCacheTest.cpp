#include "support/PluginFixture.h"

// Commands are registered here as they are built.
#include "CliCommand.h"

#pragma once
// The phone record lives with the shared services, since every layer passes
// it around; the store reads and writes it.
#include "services/phone_info.h"

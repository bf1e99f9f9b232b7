/* Everything a host needs to drive ZEBPlugQuickTimeLibU. */
#pragma once

#include "ZEBPlugApi.h"
#include "ZEBPlugEnums.h"
#include "ZEBPlugOrdinals.h"
#include "ZEBPlugRecords.h"
#include "ZEBPlugResults.h"

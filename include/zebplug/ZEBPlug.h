/* Everything a host needs to drive ZEBPlugQuickTimeLibU. */
#ifndef ZEBPLUG_H
#define ZEBPLUG_H

#include "ZEBPlugApi.h"
#include "ZEBPlugEnums.h"
#include "ZEBPlugOrdinals.h"
#include "ZEBPlugRecords.h"
#include "ZEBPlugResults.h"

#endif

// The SUDS file library: include this one header.
#pragma once

#include "suds_bytes.h"
#include "suds_error.h"
#include "suds_fields.h"
#include "suds_file.h"
#include "suds_struct.h"
#include "suds_time.h"

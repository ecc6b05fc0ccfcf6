#pragma once
// The class concrete reports derive from.

#include "qorReportFR4Common.h"

class TqorReportCommon : public TqorReportFR4Common {};

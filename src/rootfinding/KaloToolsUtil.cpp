#include "KaloToolsUtil.h"

#include "qorValue.h"

TKaloPersistentType::TKaloPersistentType() : FID(NewIdentifierText()) {}

#ifndef ORYXUTIL_ORYXUTIL_H
#define ORYXUTIL_ORYXUTIL_H

// Every public class and function of oryxutil.

#include "oryxutil/companion/CommonUtils.h"
#include "oryxutil/companion/OS.h"
#include "oryxutil/companion/TraceClient.h"
#include "oryxutil/export/FormatFile.h"
#include "oryxutil/export/MultiFormatFile.h"
#include "oryxutil/export/WriterOptions.h"
#include "oryxutil/fileutil/FileUtil.h"
#include "oryxutil/orbcfg/TaoCfg.h"
#include "oryxutil/profile/Profile.h"
#include "oryxutil/utils/Utils.h"

#endif

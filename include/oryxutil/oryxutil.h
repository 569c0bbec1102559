// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_ORYXUTIL_H
#define ORYXUTIL_ORYXUTIL_H

// Every public class and function of oryxutil.
//
// The public names (classes, functions, their parameters and the messages
// they report) are fixed by compatibility with the programs that already
// call them: they keep their spelling, however unusual, and new behaviour
// arrives as new names or opt-in options (oryx::WriterOptions), never as a
// changed meaning of an old one. Only what these headers declare is
// exported by liboryxutil.so (ORYXUTIL_EXPORT); everything else is internal.
// Before 1.0 a minor version may change the ABI, and then the SONAME
// changes with it.

#include "oryxutil/Version.h"
#include "oryxutil/Visibility.h"
#include "oryxutil/companion/CommonUtils.h"
#include "oryxutil/companion/OS.h"
#include "oryxutil/companion/TraceClient.h"
#include "oryxutil/export/FormatFile.h"
#include "oryxutil/export/MultiFormatFile.h"
#include "oryxutil/export/TextWidth.h"
#include "oryxutil/export/WriterOptions.h"
#include "oryxutil/fileutil/FileUtil.h"
#include "oryxutil/orbcfg/TaoCfg.h"
#include "oryxutil/profile/Profile.h"
#include "oryxutil/profile/Zone.h"
#include "oryxutil/utils/Utils.h"

#endif

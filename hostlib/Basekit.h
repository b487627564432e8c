#pragma once
// Everything the module uses of the host's common library.
#include "hostlib/Controls.h"
#include "hostlib/FileLayer.h"
#include "hostlib/HostString.h"
#include "hostlib/HtmlHelp.h"
#include "hostlib/Paths.h"
#include "hostlib/Resources.h"

// Everything of the Japanese text unit in one include.
#pragma once

#include "jtext/base64.h"
#include "jtext/convert.h"
#include "jtext/detect.h"
#include "jtext/header_decode.h"
#include "jtext/header_encode.h"
#include "jtext/jis_to_sjis.h"
#include "jtext/sjis_to_jis.h"
#include "jtext/utf8.h"

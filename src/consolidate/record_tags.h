// The section tags of a per-function record (CP932), as the body analysis
// writes them and the consolidation passes add them.
#pragma once

#include <string>
#include <string_view>

#include "platform/encoding.h"

namespace kv::record_tag {

// The entry that stands for an empty list.
inline constexpr std::string_view kNone = "NONE";

inline const std::string& FileName() { return SJ("[ファイル名]"); }
inline const std::string& FunctionName() { return SJ("[関数名称]"); }
inline const std::string& Arguments() { return SJ("[引数定義]"); }
inline const std::string& Temporaries() { return SJ("[テンポラリ変数]"); }
inline const std::string& Calls() { return SJ("[コール関数]"); }
inline const std::string& Reads() { return SJ("[参照変数]"); }
inline const std::string& Writes() { return SJ("[書込み変数]"); }
inline const std::string& Returns() { return SJ("[戻り値]"); }
inline const std::string& Accesses() { return SJ("[変数アクセス情報]"); }
// Added by FUNC ALS3.
inline const std::string& ReturnType() { return SJ("[関数型]"); }
inline const std::string& DefinedValues() { return SJ("[定義値]"); }
inline const std::string& DefinedCalls() { return SJ("[コール関数（定義あり）]"); }
inline const std::string& UndefinedCalls() { return SJ("[コール関数（定義なし）]"); }
inline const std::string& MacroCalls() { return SJ("[マクロ関数]"); }
// Added by CALL LIST.
inline const std::string& Callers() { return SJ("[コール元]"); }

}  // namespace kv::record_tag

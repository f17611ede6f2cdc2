#pragma once
// The selections by unit code of the "处理" menu ("选择调查界线") and the holder-label repair:
//
//   按乡镇    a typed township code, or the one of a picked entity (record value 20)
//   按行政村  a typed village code, or the one of a picked entity (record value 21)
//             both select every entity of the drawing carrying the code and highlight them
//   按小组    a typed code, or the ownership code of a picked entity (value 1), handed to the
//             add-on's select-by-code command MSSX
//   修改其它  the right holder of a picked parcel written into a picked text
#include "host/command_frame.h"

namespace korvane::mapping {

inline constexpr const char* kTownshipPrompt = "输入镇代码6位(回车选择实体):";
inline constexpr const char* kVillagePrompt = "输入镇代码11位(回车选择实体):";
inline constexpr const char* kGroupPrompt = "输入属性编码(回车选择实体):";

void select_by_township(host::Session& session);
void select_by_village(host::Session& session);
void select_by_group(host::Session& session);
void copy_holder_to_text(host::Session& session);

}  // namespace korvane::mapping

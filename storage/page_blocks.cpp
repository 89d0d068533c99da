#include "storage/page_blocks.h"

#include "storage/base64_block.h"
#include "support/text.h"

namespace wb {

std::string PageBlockProblem(std::string_view text) {
  if (text.size() > kMaxPageBlockBytes) return LargerThan(kMaxPageBlockBytes);
  if (ToUtf8(FromUtf8(text)) != text) return "not valid UTF-8";
  if (text.find('\0') != std::string_view::npos) return "holds a NUL character";
  return {};
}

namespace {

PageBlock PageBlockOf(Base64Block block) {
  PageBlock page{block.present, std::move(block.bytes), std::move(block.problem)};
  if (page.problem.empty()) page.problem = PageBlockProblem(page.text);
  if (!page.problem.empty()) page.text.clear();
  return page;
}

}  // namespace

std::string PageTextFromBlockContent(std::string_view content) {
  return PageBlockOf(Base64BlockFromContent(content, kMaxPageBlockBytes)).text;
}

PageBlock ReadPageBlockChecked(const std::string& exePath, std::u16string_view name) {
  return PageBlockOf(ReadBase64Block(exePath, name, kMaxPageBlockBytes));
}

std::string ReadPageBlock(const std::string& exePath, std::u16string_view name) {
  return ReadPageBlockChecked(exePath, name).text;
}

}  // namespace wb

#include "nearest/answer_page.h"

#include <cstdint>

#include "descriptors/normalised_icon.h"
#include "icon/icon_loading.h"
#include "report/png_encoder.h"
#include "report/quoted.h"

namespace vexlor {

namespace {

std::string Base64(const std::string& bytes) {
  static constexpr char kDigits[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
    std::uint32_t v = 0;
    for (std::size_t j = 0; j < 3; ++j)
      v = v << 8 | (j < n ? static_cast<std::uint8_t>(bytes[i + j]) : 0);
    for (std::size_t j = 0; j < 4; ++j)
      out += j <= n ? kDigits[(v >> (18 - 6 * j)) & 63] : '=';
  }
  return out;
}

// Text for the page: what Quoted makes of it, with HTML's special characters
// as entities.
std::string Escaped(const std::string& text) {
  std::string out;
  for (const char c : Quoted(text)) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
  return out;
}

void AppendPicture(std::string* page, const std::string& picture, const std::string& alt) {
  const int side = kNormalisedSide * kPagePictureScale;
  if (picture.empty()) {
    *page += "<div class=\"none\">no picture</div>";
    return;
  }
  *page += "<img width=\"" + std::to_string(side) + "\" height=\"" + std::to_string(side) +
           "\" alt=\"" + Escaped(alt) + "\" src=\"data:image/png;base64," + Base64(picture) +
           "\">";
}

constexpr const char* kStyle =
    "body{font-family:sans-serif;margin:16px;background:#fff;color:#222}"
    "h1{font-size:18px}section{display:flex;align-items:flex-start;gap:16px;"
    "border-top:1px solid #ccc;padding:12px 0}"
    "figure{margin:0;width:132px;font-size:11px;overflow-wrap:anywhere}"
    "figure.query{background:#eef;padding:4px}"
    "img{display:block;image-rendering:pixelated;border:1px solid #999}"
    ".none{width:124px;height:124px;border:1px dashed #999;display:flex;"
    "align-items:center;justify-content:center;color:#999}"
    "ol{display:flex;gap:12px;list-style:none;margin:0;padding:0}"
    ".rank{font-weight:bold}.failure{color:#a00}";

}  // namespace

std::string AnswerPage(const PageHeading& heading, const std::vector<PageQuery>& queries) {
  std::string page =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>vexlor-nearest: " +
      Escaped(heading.data) + "</title>\n<style>" + kStyle + "</style>\n</head>\n<body>\n<h1>" +
      std::to_string(queries.size()) + (queries.size() == 1 ? " query" : " queries") + ", the " +
      std::to_string(heading.k) + " nearest records of " + Escaped(heading.data) + " by " +
      Escaped(heading.metric) + "</h1>\n";
  for (std::size_t q = 0; q < queries.size(); ++q) {
    const PageQuery& query = queries[q];
    page += "<section class=\"answers-of\" id=\"query-" + std::to_string(q + 1) +
            "\">\n<figure class=\"query\">";
    AppendPicture(&page, query.picture, query.name);
    page += "<figcaption><span class=\"name\">" + Escaped(query.name) + "</span></figcaption></figure>\n";
    if (!query.failure.empty())
      page += "<p class=\"failure\">" + Escaped(query.failure) + "</p>\n";
    page += "<ol>\n";
    for (const PageAnswer& answer : query.answers) {
      page += "<li><figure class=\"answer\">";
      AppendPicture(&page, answer.picture, answer.name);
      page += "<figcaption><span class=\"rank\">" + std::to_string(answer.rank) +
              "</span> <span class=\"distance\">" + Escaped(answer.distance) +
              "</span><br><span class=\"name\">" + Escaped(answer.name) +
              "</span></figcaption></figure></li>\n";
    }
    page += "</ol>\n</section>\n";
  }
  page += "</body>\n</html>\n";
  return page;
}

std::string PictureOf(const NormalisedIcon& seen) {
  std::string png;
  return EncodePng(seen.view(), &png) ? png : "";
}

std::string MeasuredPicture(const std::string& path) {
  try {
    IconPixels icon;
    if (!LoadIconPixels(path, &icon).ok()) return "";
    NormalisedIcon seen;
    NormaliseSize(icon.view(), &seen);
    return PictureOf(seen);
  } catch (const std::exception&) {
    return "";
  }
}

}  // namespace vexlor

#include "nearest/answer_page.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>

#include "decode/icon_loading.h"
#include "descriptors/normalised_icon.h"
#include "report/png_encoder.h"
#include "support/quoted.h"

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

// Each distinct picture goes into the page once, as the background of a CSS
// class, however many figures show it.
class Pictures {
 public:
  void Append(std::string* page, const std::string& picture, const std::string& alt) {
    if (picture.empty()) {
      *page += "<div class=\"none\">no picture</div>";
      return;
    }
    const auto [place, added] = classes_.try_emplace(picture, classes_.size());
    if (added)
      style_ += ".p" + std::to_string(place->second) + "{background-image:url(data:image/png;base64," +
                Base64(picture) + ")}\n";
    *page += "<div class=\"picture p" + std::to_string(place->second) +
             "\" role=\"img\" aria-label=\"" + Escaped(alt) + "\"></div>";
  }
  const std::string& style() const { return style_; }

 private:
  std::unordered_map<std::string, std::size_t> classes_;
  std::string style_;
};

constexpr const char* kStyle =
    "body{font-family:sans-serif;margin:16px;background:#fff;color:#222}"
    "h1{font-size:18px}section{display:flex;align-items:flex-start;gap:16px;"
    "border-top:1px solid #ccc;padding:12px 0}"
    "figure{margin:0;width:132px;font-size:11px;overflow-wrap:anywhere}"
    "figure.query{background:#eef;padding:4px}"
    ".picture{width:124px;height:124px;background-size:124px 124px;"
    "image-rendering:pixelated;border:1px solid #999}"
    ".none{width:124px;height:124px;border:1px dashed #999;display:flex;"
    "align-items:center;justify-content:center;color:#999}"
    "ol{display:flex;gap:12px;list-style:none;margin:0;padding:0}"
    ".rank{font-weight:bold}.failure{color:#a00}";

}  // namespace

PageExtent PageExtentOf(const std::vector<std::size_t>& answers) {
  PageExtent extent;
  std::size_t total = 0;
  for (std::size_t q = 0; q < answers.size(); ++q) {
    if (q > 0 && total + answers[q] > kMaxPageAnswers) break;
    extent.shown.push_back(std::min(answers[q], kMaxPageAnswers));
    total += extent.shown.back();
  }
  return extent;
}

std::string AnswerPage(const PageHeading& heading, const std::vector<PageQuery>& queries) {
  std::string body =
      "<h1>" + std::to_string(queries.size()) + (queries.size() == 1 ? " query" : " queries") +
      ", the " + std::to_string(heading.k) + " nearest records of " + Escaped(heading.data) +
      " by " + Escaped(heading.metric) + "</h1>\n";
  std::vector<std::size_t> answers;
  for (const PageQuery& query : queries) answers.push_back(query.answers.size());
  const PageExtent extent = PageExtentOf(answers);
  Pictures pictures;
  std::size_t q = 0;
  for (; q < extent.shown.size(); ++q) {
    const PageQuery& query = queries[q];
    body += "<section class=\"answers-of\" id=\"query-" + std::to_string(q + 1) +
            "\">\n<figure class=\"query\">";
    pictures.Append(&body, query.picture, query.name);
    body += "<figcaption><span class=\"name\">" + Escaped(query.name) +
            "</span></figcaption></figure>\n";
    if (!query.failure.empty())
      body += "<p class=\"failure\">" + Escaped(query.failure) + "</p>\n";
    body += "<ol>\n";
    const std::size_t shown = extent.shown[q];
    for (std::size_t a = 0; a < shown; ++a) {
      const PageAnswer& answer = query.answers[a];
      body += "<li><figure class=\"answer\">";
      pictures.Append(&body, answer.picture, answer.name);
      body += "<figcaption><span class=\"rank\">" + std::to_string(answer.rank) +
              "</span> <span class=\"distance\">" + Escaped(answer.distance) +
              "</span><br><span class=\"name\">" + Escaped(answer.name) +
              "</span></figcaption></figure></li>\n";
    }
    body += "</ol>\n";
    if (shown < query.answers.size())
      body += "<p class=\"more\">and " + std::to_string(query.answers.size() - shown) +
              " more answers, in the answer lines only</p>\n";
    body += "</section>\n";
  }
  if (q < queries.size())
    body += "<p class=\"more\">and " + std::to_string(queries.size() - q) +
            (queries.size() - q == 1 ? " more query" : " more queries") +
            ", in the answer lines only</p>\n";
  return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>vexlor-nearest: " +
         Escaped(heading.data) + "</title>\n<style>" + kStyle + "</style>\n<style>\n" +
         pictures.style() + "</style>\n</head>\n<body>\n" + body + "</body>\n</html>\n";
}

std::string GroupsPage(const std::string& data, std::size_t records,
                       const std::vector<PageGroup>& groups) {
  std::string body = "<h1>" + std::to_string(groups.size()) +
                     (groups.size() == 1 ? " group" : " groups") +
                     " of more than one record among the " + std::to_string(records) +
                     " of " + Escaped(data) + "</h1>\n";
  std::vector<std::size_t> sizes;
  for (const PageGroup& group : groups) sizes.push_back(group.members.size());
  const PageExtent extent = PageExtentOf(sizes);
  Pictures pictures;
  for (std::size_t g = 0; g < extent.shown.size(); ++g) {
    const PageGroup& group = groups[g];
    body += "<section class=\"group\" id=\"group-" + std::to_string(group.number) +
            "\">\n<h2>group " + std::to_string(group.number) + ", " +
            std::to_string(group.members.size()) + " records</h2>\n<ol>\n";
    for (std::size_t m = 0; m < extent.shown[g]; ++m) {
      const PageMember& member = group.members[m];
      body += "<li><figure class=\"member\">";
      pictures.Append(&body, member.picture, member.name);
      body += "<figcaption><span class=\"name\">" + Escaped(member.name) +
              "</span></figcaption></figure></li>\n";
    }
    body += "</ol>\n";
    if (extent.shown[g] < group.members.size())
      body += "<p class=\"more\">and " + std::to_string(group.members.size() - extent.shown[g]) +
              " more records, in the group lines only</p>\n";
    body += "</section>\n";
  }
  if (extent.shown.size() < groups.size())
    body += "<p class=\"more\">and " + std::to_string(groups.size() - extent.shown.size()) +
            " more groups, in the group lines only</p>\n";
  return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>vexlor-groups: " +
         Escaped(data) + "</title>\n<style>" + kStyle +
         "section{flex-direction:column}h2{font-size:14px;margin:0}ol{flex-wrap:wrap}</style>\n<style>\n" +
         pictures.style() + "</style>\n</head>\n<body>\n" + body + "</body>\n</html>\n";
}

std::string PictureOf(const NormalisedIcon& seen) {
  std::string png;
  return EncodePng(seen.view(), &png) ? png : "";
}

std::string MeasuredPicture(const std::string& path, const LoadSettings& load) {
  try {
    IconPixels icon;
    if (!LoadIconPixels(path, &icon, load).ok()) return "";
    NormalisedIcon seen;
    NormaliseSize(icon.view(), &seen);
    return PictureOf(seen);
  } catch (const std::exception&) {
    return "";
  }
}

}  // namespace vexlor

// A small reader of well-formed XML files into a tree of elements, enough for
// the program's own template files (xmllint checks that they are well formed).
// Namespace prefixes are kept in the names; comments and declarations are skipped.
#pragma once

#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace testing_support {

struct XmlElement {
  std::string name;
  std::map<std::string, std::string> attributes;
  std::string text;  // the element's own character data, entities decoded
  std::vector<std::unique_ptr<XmlElement>> children;

  [[nodiscard]] std::string Attribute(const std::string& key) const {
    const auto it = attributes.find(key);
    return it == attributes.end() ? std::string() : it->second;
  }
  [[nodiscard]] const XmlElement* Child(const std::string& child_name) const {
    for (const auto& child : children) {
      if (child->name == child_name) return child.get();
    }
    return nullptr;
  }
  // Every element of that name at any depth below this one, in document order.
  void FindAll(const std::string& wanted, std::vector<const XmlElement*>& found) const {
    for (const auto& child : children) {
      if (child->name == wanted) found.push_back(child.get());
      child->FindAll(wanted, found);
    }
  }
};

inline std::string DecodeXmlText(const std::string& raw) {
  static const std::map<std::string, std::string> kEntities = {
      {"amp", "&"}, {"lt", "<"}, {"gt", ">"}, {"quot", "\""}, {"apos", "'"}};
  std::string text;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    const std::size_t end = raw[i] == '&' ? raw.find(';', i) : std::string::npos;
    if (end == std::string::npos) {
      text += raw[i];
      continue;
    }
    const std::string entity = raw.substr(i + 1, end - i - 1);
    if (!entity.empty() && entity[0] == '#') {
      const bool hex = entity.size() > 1 && entity[1] == 'x';
      const unsigned long code = std::stoul(entity.substr(hex ? 2 : 1), nullptr, hex ? 16 : 10);
      if (code > 0x7F) throw std::runtime_error("non-ASCII character reference");
      text += static_cast<char>(code);
    } else {
      text += kEntities.at(entity);
    }
    i = end;
  }
  return text;
}

// The root element of the file; throws on a file it cannot read.
inline std::unique_ptr<XmlElement> ReadXmlFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw std::runtime_error("cannot open " + path);
  std::stringstream buffer;
  buffer << file.rdbuf();
  const std::string xml = buffer.str();

  auto root = std::make_unique<XmlElement>();  // a holder for the document element
  std::vector<XmlElement*> open{root.get()};
  std::size_t pos = 0;
  while (pos < xml.size()) {
    const std::size_t lt = xml.find('<', pos);
    open.back()->text +=
        DecodeXmlText(xml.substr(pos, lt == std::string::npos ? std::string::npos : lt - pos));
    if (lt == std::string::npos) break;
    if (xml.compare(lt, 4, "<!--") == 0) {
      pos = xml.find("-->", lt) + 3;
      continue;
    }
    const std::size_t gt = xml.find('>', lt);
    if (gt == std::string::npos) throw std::runtime_error("unclosed tag in " + path);
    std::string tag = xml.substr(lt + 1, gt - lt - 1);
    pos = gt + 1;
    if (tag[0] == '?' || tag[0] == '!') continue;
    if (tag[0] == '/') {
      if (open.size() < 2 || open.back()->name != tag.substr(1))
        throw std::runtime_error("mismatched </" + tag);
      open.pop_back();
      continue;
    }
    const bool empty = tag.back() == '/';
    if (empty) tag.pop_back();
    auto element = std::make_unique<XmlElement>();
    std::size_t i = tag.find_first_of(" \t\r\n");
    element->name = tag.substr(0, i);
    while (i != std::string::npos && (i = tag.find_first_not_of(" \t\r\n", i)) != std::string::npos) {
      const std::size_t eq = tag.find('=', i);
      const std::size_t quote_open = tag.find('"', eq);
      const std::size_t quote_close = tag.find('"', quote_open + 1);
      if (eq == std::string::npos || quote_close == std::string::npos)
        throw std::runtime_error("bad attribute");
      element->attributes[tag.substr(i, eq - i)] =
          DecodeXmlText(tag.substr(quote_open + 1, quote_close - quote_open - 1));
      i = quote_close + 1;
    }
    XmlElement* raw = element.get();
    open.back()->children.push_back(std::move(element));
    if (!empty) open.push_back(raw);
  }
  if (open.size() != 1 || root->children.size() != 1) throw std::runtime_error("unbalanced " + path);
  return std::move(root->children.front());
}

}  // namespace testing_support

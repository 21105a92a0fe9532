// An XML file as a plain tree of elements (read with libxml2), for tests of
// the program's own template files. Names are local names, without prefixes.
#pragma once

#include <libxml/parser.h>

#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace testing_support {

struct XmlElement {
  std::string name;
  std::map<std::string, std::string> attributes;
  std::string text;  // all character data inside the element
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

inline std::string XmlText(xmlChar* owned) {
  std::string text = owned != nullptr ? reinterpret_cast<const char*>(owned) : "";
  xmlFree(owned);
  return text;
}

inline std::unique_ptr<XmlElement> ToElement(xmlNode* node) {
  auto element = std::make_unique<XmlElement>();
  element->name = reinterpret_cast<const char*>(node->name);
  element->text = XmlText(xmlNodeGetContent(node));
  for (xmlAttr* attribute = node->properties; attribute != nullptr; attribute = attribute->next) {
    element->attributes[reinterpret_cast<const char*>(attribute->name)] =
        XmlText(xmlNodeListGetString(node->doc, attribute->children, 1));
  }
  for (xmlNode* child = node->children; child != nullptr; child = child->next) {
    if (child->type == XML_ELEMENT_NODE) element->children.push_back(ToElement(child));
  }
  return element;
}

// The document element of the file; throws on a file that is missing or not well formed.
inline std::unique_ptr<XmlElement> ReadXmlFile(const std::string& path) {
  const std::unique_ptr<xmlDoc, void (*)(xmlDoc*)> doc(xmlReadFile(path.c_str(), nullptr, XML_PARSE_NONET),
                                                       xmlFreeDoc);
  if (doc == nullptr) throw std::runtime_error("cannot read " + path);
  return ToElement(xmlDocGetRootElement(doc.get()));
}

}  // namespace testing_support

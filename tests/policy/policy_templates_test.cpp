// The Group Policy templates against the program's own description of what it
// reads (config::StoredValues): every value a policy writes is one the program
// reads, with its type and texts; every value an administrator may set is
// covered; and every text and presentation the template names exists.
#include <gtest/gtest.h>

#include <set>

#include "config/registry_layout.h"
#include "platform/text.h"
#include "support/xml_reader.h"

namespace {

using config::ValueKind;
using testing_support::XmlElement;

const std::string kPolicyFolder = std::string(KS_SOURCE_DIR) + "/policy/";

// One registry value that a policy writes, as Group Policy writes it.
struct PolicyWrite {
  std::string policy;
  platform::RegRoot root = platform::RegRoot::kLocalMachine;
  std::string key;
  std::string name;
  std::string form;                // "string", "decimal", or the element: "text", "decimalText", "list", ...
  std::vector<std::string> texts;  // the fixed data: enabled, then disabled
  const XmlElement* element = nullptr;
};

// A fixed value: <string>text</string> or <decimal value="n"/>.
void AddFixed(PolicyWrite& write, const XmlElement* holder) {
  if (holder == nullptr) return;
  for (const auto& data : holder->children) {
    write.form = write.form.empty() || write.form == data->name ? data->name : "mixed";
    write.texts.push_back(data->name == "decimal" ? data->Attribute("value") : data->text);
  }
}

std::vector<PolicyWrite> Writes(const XmlElement& admx) {
  std::vector<PolicyWrite> writes;
  std::vector<const XmlElement*> policies;
  admx.FindAll("policy", policies);
  for (const XmlElement* policy : policies) {
    PolicyWrite base;
    base.policy = policy->Attribute("name");
    base.root = policy->Attribute("class") == "User" ? config::kUser : config::kMachine;
    EXPECT_NE(policy->Attribute("class"), "Both") << base.policy << ": one class, one root";
    base.key = policy->Attribute("key");
    if (!policy->Attribute("valueName").empty()) {
      PolicyWrite write = base;
      write.name = policy->Attribute("valueName");
      AddFixed(write, policy->Child("enabledValue"));
      AddFixed(write, policy->Child("disabledValue"));
      if (write.texts.empty())
        write = PolicyWrite{base.policy, base.root, base.key, write.name, "decimal", {"1"}};
      writes.push_back(write);
    }
    for (const char* list : {"enabledList", "disabledList"}) {
      const XmlElement* items = policy->Child(list);
      if (items == nullptr) continue;
      for (const auto& item : items->children) {
        PolicyWrite write = base;
        if (!item->Attribute("key").empty()) write.key = item->Attribute("key");
        write.name = item->Attribute("valueName");
        AddFixed(write, item->Child("value"));
        writes.push_back(write);
      }
    }
    if (const XmlElement* elements = policy->Child("elements")) {
      for (const auto& element : elements->children) {
        PolicyWrite write = base;
        if (!element->Attribute("key").empty()) write.key = element->Attribute("key");
        write.name = element->Attribute(element->name == "list" ? "valuePrefix" : "valueName");
        write.form = element->name;
        if (element->name == "decimal" && element->Attribute("storeAsText") == "true")
          write.form = "decimalText";
        if (element->name == "text" && element->Attribute("expandable") == "true") write.form = "expandable";
        write.element = element.get();
        writes.push_back(write);
      }
    }
  }
  return writes;
}

class PolicyTemplatesTest : public ::testing::Test {
 protected:
  std::unique_ptr<XmlElement> admx = testing_support::ReadXmlFile(kPolicyFolder + "kestrove.admx");
  std::unique_ptr<XmlElement> adml = testing_support::ReadXmlFile(kPolicyFolder + "en-US/kestrove.adml");
  std::vector<config::StoredValue> stored = config::StoredValues();

  const config::StoredValue* Find(const PolicyWrite& write) {
    for (const config::StoredValue& value : stored) {
      if (value.root == write.root && platform::AsciiLower(value.key) == platform::AsciiLower(write.key) &&
          value.name == write.name) {
        return &value;
      }
    }
    return nullptr;
  }
};

TEST_F(PolicyTemplatesTest, EveryValueAPolicyWritesIsReadAsItIsWritten) {
  std::set<const config::StoredValue*> covered;
  for (const PolicyWrite& write : Writes(*admx)) {
    const std::string where = write.policy + ": " + write.key + "\\" + write.name + " (" + write.form + ")";
    const config::StoredValue* value = Find(write);
    if (value == nullptr) {
      ADD_FAILURE() << where << " is not a value the program reads";
      continue;
    }
    covered.insert(value);
    const std::vector<std::string> on_off{std::string(value->on), std::string(value->off)};
    switch (value->kind) {
      case ValueKind::kSwitch:
        EXPECT_TRUE(write.form == "string" && write.texts == on_off)
            << where << ": enabled and disabled texts";
        break;
      case ValueKind::kNumberSwitch:
        EXPECT_TRUE(write.form == "decimal" && write.texts == on_off)
            << where << ": enabled and disabled numbers";
        break;
      case ValueKind::kText:
        EXPECT_EQ(write.form, "text") << where << ": only REG_SZ is read";
        break;
      case ValueKind::kNumberText:
        EXPECT_TRUE(write.form == "decimalText" ||
                    (write.form == "string" && write.texts == std::vector<std::string>{on_off[1]}))
            << where << ": a number stored as text";
        break;
      case ValueKind::kList:
        EXPECT_TRUE(write.form == "list" && write.element->Attribute("explicitValue") != "true")
            << where << ": values named " << value->name << "1, " << value->name << "2, ...";
        break;
      case ValueKind::kProgramOwned:
        ADD_FAILURE() << where << " is the program's own; no policy may set it";
        break;
    }
  }
  for (const config::StoredValue& value : stored) {
    if (value.kind != ValueKind::kProgramOwned) {
      EXPECT_TRUE(covered.count(&value)) << value.key << "\\" << value.name << " has no policy";
    }
  }
}

TEST_F(PolicyTemplatesTest, EveryTextAndPresentationTheTemplateNamesExists) {
  std::set<std::string> strings;
  std::map<std::string, std::set<std::string>> controls;  // presentation -> refIds
  std::vector<const XmlElement*> found;
  adml->FindAll("string", found);
  adml->FindAll("presentation", found);
  for (const XmlElement* e : found) {
    if (e->name == "string") strings.insert(e->Attribute("id"));
    for (const auto& control : e->children) controls[e->Attribute("id")].insert(control->Attribute("refId"));
  }

  const auto referenced = [](const std::string& attribute, const std::string& table) {
    const std::string open = "$(" + table + ".";
    return attribute.rfind(open, 0) == 0 ? attribute.substr(open.size(), attribute.size() - open.size() - 1)
                                         : std::string();
  };
  std::vector<const XmlElement*> all;
  admx->FindAll("policy", all);
  admx->FindAll("category", all);
  admx->FindAll("definition", all);
  for (const XmlElement* e : all) {
    for (const char* attribute : {"displayName", "explainText"}) {
      const std::string id = referenced(e->Attribute(attribute), "string");
      EXPECT_TRUE(e->Attribute(attribute).empty() || strings.count(id)) << e->Attribute(attribute);
    }
    const std::string presentation = referenced(e->Attribute("presentation"), "presentation");
    std::set<std::string> ids;
    if (const XmlElement* elements = e->Child("elements")) {
      for (const auto& element : elements->children) ids.insert(element->Attribute("id"));
    }
    EXPECT_EQ(controls[presentation], ids) << e->Attribute("name") << ": one control per element";
  }
}

}  // namespace

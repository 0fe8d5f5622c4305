// Fuzzer for the HTML builder's serialisation: builds a random document
// through the factories while keeping a plain model of what was built, then
// checks the written bytes against the model's rendering, the stream forms
// against the string forms, and that writing twice gives the same bytes.
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#include "Zelhtmlbuilder.h"

using namespace zelhtmlbuilder;

namespace {

void Require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "html builder fuzz check failed: %s\n", what);
        std::abort();
    }
}

// What one element should write, kept apart from the builder's classes.
struct TModel {
    std::string Tag;
    bool EndTag = true;
    bool Content = false;  // body, cell, text, line, anchor: presentation tags
    bool HasText = false;  // text, line, anchor
    bool Line = false;
    std::map<std::string, std::vector<std::string>> Attributes;
    std::vector<std::string> PresentationTags;
    std::string Text;
    std::vector<std::unique_ptr<TModel>> Children;

    std::string Start() const
    {
        std::string out;
        if (!Tag.empty()) {
            out += "<" + Tag;
            for (const auto& [name, values] : Attributes) {
                out += " " + name + "=\"";
                for (std::size_t i = 0; i < values.size(); ++i)
                    out += (i ? "; " : "") + values[i];
                out += "\"";
            }
            out += ">";
        }
        for (const auto& t : PresentationTags)
            out += "<" + t + ">";
        return out;
    }
    std::string Contents() const
    {
        std::string out;
        for (const auto& c : Children)
            out += c->Whole();
        if (HasText)
            out += Text;
        if (Line)
            out += "<br>";
        return out;
    }
    std::string End() const
    {
        std::string out;
        for (auto it = PresentationTags.rbegin(); it != PresentationTags.rend(); ++it)
            out += "</" + *it + ">";
        if (!Tag.empty() && EndTag)
            out += "</" + Tag + ">";
        return out;
    }
    std::string Whole() const { return Start() + Contents() + End(); }
};

enum class TKind { Content, Table, Row, Header, Other };

struct TFrame {
    THTMLElement* Element;
    TModel* Model;
    TKind Kind;
};

std::unique_ptr<TModel> NewModel(const std::string& tag, bool endTag, bool content = false,
                                 bool hasText = false, bool line = false)
{
    auto m = std::make_unique<TModel>();
    m->Tag = tag;
    m->EndTag = endTag;
    m->Content = content;
    m->HasText = hasText;
    m->Line = line;
    return m;
}

// Adds a child of the kind the input picks to a content element and returns
// its frame.
TFrame AddContent(FuzzedDataProvider& in, THTMLBaseBody& parent, TModel& model)
{
    std::unique_ptr<TModel> child;
    TFrame frame{nullptr, nullptr, TKind::Content};
    switch (in.ConsumeIntegralInRange(0, 6)) {
    case 0: frame.Element = &*parent.AddLine(); child = NewModel("", false, true, true, true); break;
    case 1: {
        std::string tag = in.ConsumeRandomLengthString(4);
        frame.Element = &*parent.AddLine(tag);
        child = NewModel(tag, true, true, true, true);
        break;
    }
    case 2: frame.Element = &*parent.AddText(); child = NewModel("", false, true, true); break;
    case 3: {
        std::string tag = in.ConsumeRandomLengthString(4);
        frame.Element = &*parent.AddText(tag);
        child = NewModel(tag, true, true, true);
        break;
    }
    case 4: frame.Element = &*parent.AddAnchor(); child = NewModel("a", true, true, true); break;
    case 5:
        frame.Element = &*parent.AddTable();
        child = NewModel("table", true);
        frame.Kind = TKind::Table;
        break;
    default:
        frame.Element = &*parent.AddImage();
        child = NewModel("img", false);
        frame.Kind = TKind::Other;
        break;
    }
    frame.Model = child.get();
    model.Children.push_back(std::move(child));
    return frame;
}

void CheckFragments(THTMLElement& element, const TModel& model)
{
    Require(element.TagStartAsString() == model.Start(), "start tag differs from the model");
    Require(element.ElementsAsString() == model.Contents(), "contents differ from the model");
    Require(element.TagEndAsString() == model.End(), "end tag differs from the model");
    Require(element.AsString() == model.Whole(), "element differs from its parts");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    THTMLDoc doc;
    TModel docModel;  // the html element; its head and body are modelled apart
    docModel.Tag = "html";
    TModel header;
    TModel body;
    header.Tag = "";  // neither tag is ever written
    body.Tag = "";
    std::string title;

    std::vector<TFrame> stack{{&doc, &docModel, TKind::Other}};
    std::vector<TFrame> visited;
    while (in.remaining_bytes() > 0 && stack.size() < 64) {
        TFrame top = stack.back();
        const int op = in.ConsumeIntegralInRange(0, 9);
        if (op == 0 && stack.size() > 1) {
            stack.pop_back();
            continue;
        }
        if (op == 1) {
            std::string name = in.ConsumeRandomLengthString(6);
            std::string value = in.ConsumeRandomLengthString(8);
            top.Element->AddTagAttributeValue(name, value);
            if (top.Element != &doc.Header && top.Element != &doc.Body)
                top.Model->Attributes[name].push_back(value);
            continue;
        }
        if (top.Element == &doc) {
            if (op < 5) {
                stack.push_back({&doc.Header, &header, TKind::Header});
            } else if (op < 8) {
                stack.push_back({&doc.Body, &body, TKind::Content});
            } else {
                title = in.ConsumeRandomLengthString(8);
                doc.Header.Title.Text = title;
            }
            continue;
        }
        switch (top.Kind) {
        case TKind::Header: {
            auto meta = doc.Header.AddMeta();
            auto m = NewModel("meta", false);
            TFrame frame{&*meta, m.get(), TKind::Other};
            header.Children.push_back(std::move(m));
            stack.push_back(frame);
            break;
        }
        case TKind::Table: {
            auto row = static_cast<THTMLTable*>(top.Element)->AddRow();
            auto m = NewModel("tr", true);
            TFrame frame{&*row, m.get(), TKind::Row};
            top.Model->Children.push_back(std::move(m));
            stack.push_back(frame);
            visited.push_back(frame);
            break;
        }
        case TKind::Row: {
            auto cell = static_cast<THTMLRow*>(top.Element)->AddCell();
            auto m = NewModel("td", true, true);
            TFrame frame{&*cell, m.get(), TKind::Content};
            top.Model->Children.push_back(std::move(m));
            stack.push_back(frame);
            visited.push_back(frame);
            break;
        }
        case TKind::Content: {
            auto* content = static_cast<THTMLBaseBody*>(top.Element);
            if (op == 2) {
                std::string tag = in.ConsumeRandomLengthString(4);
                content->InsertPresentationTag(tag);
                if (top.Element != &doc.Body)
                    top.Model->PresentationTags.push_back(tag);
            } else if (op == 3 && top.Model->HasText) {
                std::string text = in.ConsumeRandomLengthString(12);
                static_cast<THTMLText*>(top.Element)->Text = text;
                top.Model->Text = text;
            } else {
                TFrame frame = AddContent(in, *content, *top.Model);
                stack.push_back(frame);
                visited.push_back(frame);
            }
            break;
        }
        case TKind::Other:
            stack.pop_back();
            break;
        }
    }

    const std::string expected =
        "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">" + docModel.Start() +
        header.Contents() + "<title>" + title + "</title>" + body.Contents() + "</html>";
    TStringStream stream;
    doc.ToStream(&stream);
    Require(stream.DataString() == expected, "document differs from the model");
    Require(doc.AsString() == expected, "AsString differs from ToStream");
    doc.ToStream(&stream);
    Require(stream.DataString() == expected + expected, "second write differs from the first");
    for (const TFrame& frame : visited)
        CheckFragments(*frame.Element, *frame.Model);
    return 0;
}

#include "tools/ravelin/DesignOutline.h"

#include "platform/basalt/io/BlockText.h"
#include "tools/ravelin/ToolError.h"
#include "tools/ravelin/ToolFiles.h"

namespace ravelin_tool {

namespace {

void Outline(const io::CBlock& block, int depth, std::string& out) {
  const std::string indent(static_cast<size_t>(depth) * 2, ' ');
  out += indent + Narrow(block.Name()) + " {" + std::to_string(block.Size()) + " items}\n";
  for (const auto& item : block) {
    switch (item->GetKind()) {
      case io::CBlock_item::Kind::Block:
        Outline(*item->AsBlock(), depth + 1, out);
        break;
      case io::CBlock_item::Kind::NamedValue:
        out += indent + "  " + Narrow(item->Name()) + " = " +
               Narrow(item->AsNamedValue()->GetToken().FormatText()) + "\n";
        break;
      case io::CBlock_item::Kind::Func: {
        const io::CBlock_func& func = *item->AsFunc();
        std::string args;
        for (size_t i = 0; i < func.Size(); ++i) {
          args += i ? ", " : "";
          if (func.IsNamedArg(i)) {
            args += Narrow(func.ArgName(i)) + " = ";
          }
          args += Narrow(func.Item(i).FormatText());
        }
        out += indent + "  " + Narrow(item->Name()) + "(" + args + ")\n";
        break;
      }
      case io::CBlock_item::Kind::Vec: {
        const io::CBlock_vec& vec = *item->AsVec();
        std::string tokens;
        for (size_t i = 0; i < vec.Size(); ++i) {
          tokens += (i ? ", " : "") + Narrow(vec.Item(i).FormatText());
        }
        out += indent + "  " + Narrow(item->Name()) + "[" + tokens + "]\n";
        break;
      }
    }
  }
}

}  // namespace

io::CBlock ReadDesignFile(const std::string& path) {
  RequireFile(path);
  io::CBlock block;
  const io::ReadError err = io::ReadBlockFile(Widen(path), block);
  if (err.IsFailure()) {
    throw ToolError(err.what());  // names the file, and the line and column
  }
  return block;
}

std::string OutlineBlock(const io::CBlock& block) {
  std::string out;
  Outline(block, 0, out);
  return out;
}

long CountItems(const io::CBlock& block) {
  long count = 0;
  for (const auto& item : block) {
    ++count;
    if (const io::CBlock* sub = item->AsBlock()) {
      count += CountItems(*sub);
    }
  }
  return count;
}

}  // namespace ravelin_tool

// zraddrres: the support engineer's view of the library. Which device stands
// behind a port, and the registry the library reads.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/Console.h"
#include "tools/zraddrres/Audit.h"
#include "tools/zraddrres/Commands.h"
#include "tools/zraddrres/Explain.h"
#include "tools/zraddrres/Missing.h"
#include "tools/zraddrres/NetWareStandIn.h"
#include "tools/zraddrres/Ports.h"
#include "tools/zraddrres/Registry.h"
#include "tools/zraddrres/RegistryOption.h"
#include "tools/zraddrres/Shares.h"
#include "tools/zraddrres/Store.h"
#include "tools/zraddrres/Text.h"
#include "tools/zraddrres/Usage.h"

int main(int argc, char** argv) {
  CLI::App app{"zraddrres: finds the network device behind a printer port", "zraddrres"};
  app.require_subcommand(1);
  app.set_version_flag("--version", "zraddrres " ZRADDRRES_VERSION);
  app.footer(zrtool::kHelpFooter);
  // Taken out of the arguments before parsing (TakeRegistryOption), so that
  // it goes with every command; declared here for --help.
  std::string registryFile;
  std::string registryHelpOnly;
  app.add_option("--registry", registryHelpOnly,
                 "Answer from this registry export (.reg), read-only: a private copy, thrown away at exit")
      ->type_name("FILE");

  zrtool::ResolveOptions resolve;
  CLI::App* resolveCommand =
      app.add_subcommand("resolve", "Resolve printer ports to the address of their device and its kind");
  resolveCommand->add_option("ports", resolve.ports, "Port names as the spooler shows them")->required();
  bool ipOnly = false;
  bool ipxOnly = false;
  auto* ipFlag = resolveCommand->add_flag("--ip", ipOnly, "Only the IP readers (GetIPAddressFromPort)");
  resolveCommand->add_flag("--ipx", ipxOnly, "Only the IPX readers (GetIPXAddressFromPort)")->excludes(ipFlag);
  resolveCommand->add_flag("--json", resolve.json, "Print the results as JSON");
  resolveCommand->add_flag("--trace", resolve.trace, "Show the library's trace of each call on standard error");
  // The commands that resolve ports can rehearse a NetWare site.
  std::string netwareNetwork;
  auto addNetWareOption = [&netwareNetwork](CLI::App* command) {
    command
        ->add_option("--netware-network", netwareNetwork,
                     "Answer NetWare lookups with the client stand-in, from this described network")
        ->check(CLI::ExistingFile);
  };
  addNetWareOption(resolveCommand);

  zrtool::ExplainOptions explain;
  CLI::App* explainCommand = app.add_subcommand(
      "explain", "Show every reader the library tried for each port, what came of it, and the answer");
  explainCommand->add_option("ports", explain.ports, "Port names as the spooler shows them")->required();
  explainCommand->add_flag("--json", explain.json, "Print the accounts as JSON");
  addNetWareOption(explainCommand);

  zrtool::LookupOptions host;
  CLI::App* hostCommand = app.add_subcommand("host", "Look a host name up on a worker bounded by a time-out");
  hostCommand->add_option("name", host.text, "The host name")->required();
  hostCommand->add_option("--timeout", host.timeout, "Milliseconds to wait (the registry may override)")
      ->check(CLI::NonNegativeNumber)
      ->capture_default_str();
  hostCommand->add_flag("--json", host.json, "Print the result as JSON");
  hostCommand->add_flag("--trace", host.trace, "Show the library's trace on standard error");

  zrtool::LookupOptions reverse;
  CLI::App* reverseCommand =
      app.add_subcommand("reverse", "Look the host name of an address up on a worker bounded by a time-out");
  reverseCommand->add_option("address", reverse.text, "The IPv4 or IPv6 address text")->required();
  reverseCommand->add_option("--timeout", reverse.timeout, "Milliseconds to wait (the registry may override)")
      ->check(CLI::NonNegativeNumber)
      ->capture_default_str();
  reverseCommand->add_flag("--json", reverse.json, "Print the result as JSON");
  reverseCommand->add_flag("--trace", reverse.trace, "Show the library's trace on standard error");

  zrtool::PnsOptions pns;
  CLI::App* pnsCommand = app.add_subcommand(
      "pns", "Ask the PNS servers on the local network for the device behind a UNC name (\\\\server\\queue)");
  pnsCommand->add_option("name", pns.name, "The UNC port name")->required();
  pnsCommand->add_flag("--json", pns.json, "Print the result, and what was recorded for the user, as JSON");
  pnsCommand->add_flag("--trace", pns.trace, "Show the library's trace on standard error");

  std::string printerName;
  bool printerJson = false;
  CLI::App* printerCommand =
      app.add_subcommand("printer", "The host name a printer's direct TCP/IP port is configured with");
  printerCommand->add_option("name", printerName, "The printer name as the spooler shows it")->required();
  printerCommand->add_flag("--json", printerJson, "Print the result as JSON");

  zrtool::PortsOptions ports;
  bool portsJson = false;
  bool portsCsv = false;
  CLI::App* portsCommand =
      app.add_subcommand("ports", "Resolve every port the monitors configure and every recorded address");
  auto* jsonFlag = portsCommand->add_flag("--json", portsJson, "Print the results as JSON");
  portsCommand->add_flag("--csv", portsCsv, "Print the results as CSV")->excludes(jsonFlag);
  portsCommand->add_option("--jobs,-j", ports.jobs, "The most resolver objects working at once")
      ->check(CLI::Range(1, 64))
      ->capture_default_str();
  bool noProgress = false;
  portsCommand->add_flag("--no-progress", noProgress, "No progress bar, even on a terminal");
  portsCommand->add_option("--html", ports.html,
                           "Also write the inventory as one self-contained page, each port with its explain account");
  addNetWareOption(portsCommand);

  std::string sharesServer;
  bool sharesJson = false;
  CLI::App* sharesCommand = app.add_subcommand(
      "shares", "A server's share list as the SMB step sees it, and the address it takes from it");
  sharesCommand->add_option("server", sharesServer, "The server name or address (\\\\ optional)")->required();
  sharesCommand->add_flag("--json", sharesJson, "Print the list and the address as JSON");

  zrtool::WhoOptions who;
  bool whoJson = false;
  bool whoCsv = false;
  CLI::App* whoCommand = app.add_subcommand(
      "who", "Every port, printer and stored entry that leads to an address or a host, across all monitors");
  whoCommand->add_option("target", who.target, "An IPv4, IPv6 or IPX address, or a host name")->required();
  auto* whoJsonFlag = whoCommand->add_flag("--json", whoJson, "Print the matches as JSON");
  whoCommand->add_flag("--csv", whoCsv, "Print the matches as CSV")->excludes(whoJsonFlag);
  whoCommand->add_option("--timeout", who.timeout, "Milliseconds to wait for each host-name lookup")
      ->check(CLI::NonNegativeNumber)
      ->capture_default_str();
  whoCommand->add_flag("--each", who.each,
                       "Resolve each port and stored host name on its own resolver, so that none goes unchecked "
                       "after a time-out (each silent name then costs its own wait)");

  std::string storeAction;
  std::vector<std::string> storeArguments;
  bool storeJson = false;
  CLI::App* storeCommand = app.add_subcommand(
      "store", "The addresses recorded per port or printer: list | get NAME | add NAME VALUE | rename OLD NEW | "
               "remove NAME | check");
  storeCommand->add_option("action", storeAction, "list, get, add, rename, remove or check")
      ->required()
      ->check(zrtool::OneOf("action", {"list", "get", "add", "rename", "remove", "check"}));
  storeCommand->add_option("arguments", storeArguments, "The names and value the action takes");
  storeCommand->add_flag("--json", storeJson, "Print list, get and check results as JSON");
  bool storeForce = false;
  storeCommand->add_flag("--force", storeForce, "Let add and rename replace an entry of that name");

  CLI::App* reg = app.add_subcommand("reg", "Load or show the registry the library reads");
  reg->require_subcommand(1);
  std::string importFile;
  CLI::App* importCommand = reg->add_subcommand("import", "Load a .reg export (REGEDIT4 or version 5.00)");
  importCommand->add_option("file", importFile, "The .reg file")->required()->check(CLI::ExistingFile);
  bool importReplace = false;
  importCommand->add_flag("--replace", importReplace,
                          "Replace the hives the file names (HKLM, HKCU) instead of merging into them");
  std::string exportKey;
  CLI::App* exportCommand = reg->add_subcommand("export", "Print a key and everything below it as REGEDIT4 text");
  exportCommand->add_option("key", exportKey,
                            "The key, e.g. HKCU\\Software\\ZrAddrRes (default: every key the library reads)");
  std::string exportFile;
  exportCommand->add_option("--output,-o", exportFile, "Write the text to this file instead of standard output")
      ->type_name("FILE");

  std::vector<std::string> arguments = zrplatform::ArgumentsAsUtf8(argc, argv);
  if (int status = zrtool::TakeRegistryOption(arguments, registryFile)) return status;
  if (int status = zrtool::CheckCommandWords(app, arguments)) return status;
  try {
    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    app.parse(reversed);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    return zrtool::SayParseError(app, e);
  }
  const std::string unknown = zrplatform::UnknownSettings();
  if (!unknown.empty()) {
    std::fprintf(stderr, "zraddrres: %s\n", zrtool::Printable(unknown).c_str());
    return 2;
  }

  // Names reach the library in the ANSI code page, as the registry holds them.
  // The .reg file's path stays as typed: it is the file system's name, not the registry's.
  std::string command = zrtool::CommandName(app);
  if (*storeCommand) command += " " + storeAction;
  std::vector<std::string*> texts = {&host.text, &reverse.text, &pns.name, &printerName, &sharesServer, &exportKey};
  texts.push_back(&who.target);
  for (std::string& port : resolve.ports) texts.push_back(&port);
  for (std::string& port : explain.ports) texts.push_back(&port);
  for (std::string& argument : storeArguments) texts.push_back(&argument);
  if (!zrtool::ArgumentsToAnsi(command, texts)) return 2;
  if (int status = zrtool::UseRegistryOption(registryFile, command)) return status;

  if (!netwareNetwork.empty() && !zrtool::UseNetWareStandIn(netwareNetwork, *resolveCommand && resolve.trace))
    return 2;
  if (*resolveCommand) {
    resolve.entry = ipOnly ? zrtool::Entry::IP : ipxOnly ? zrtool::Entry::IPX : zrtool::Entry::Full;
    return zrtool::Resolve(resolve);
  }
  if (*explainCommand) return zrtool::Explain(explain);
  if (*portsCommand) {
    ports.format = portsJson ? zrtool::Format::Json : portsCsv ? zrtool::Format::Csv : zrtool::Format::Table;
    ports.progress = !noProgress;
    ports.spooler = registryFile.empty();
    return zrtool::Ports(ports);
  }
  if (*whoCommand) {
    who.format = whoJson ? zrtool::Format::Json : whoCsv ? zrtool::Format::Csv : zrtool::Format::Table;
    return zrtool::Who(who);
  }
  if (*storeCommand) {
    if (int status = zrtool::SayMissingStoreEntry(storeAction, storeArguments)) return status;
    return zrtool::Store(storeAction, storeArguments, storeJson, storeForce);
  }
  if (*sharesCommand) return zrtool::Shares(sharesServer, sharesJson);
  if (*hostCommand) return zrtool::Host(host);
  if (*reverseCommand) return zrtool::Reverse(reverse);
  if (*printerCommand) return zrtool::Printer(printerName, printerJson);
  if (*pnsCommand) return zrtool::Pns(pns);
  if (*importCommand) return zrtool::RegImport(importFile, importReplace);
  if (*exportCommand) return zrtool::RegExport(exportKey, exportFile);
  return 2;
}

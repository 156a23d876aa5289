#include "triage/render/RenderJson.h"

#include "triage/render/JsonWriter.h"
#include "triage/dump/BugCheckNames.h"
#include "triage/model/DateText.h"
#include <cstdio>

namespace pv::triage {
namespace {

void WriteEvidence(JsonWriter& json, const Evidence& where) {
    json.BeginObject();
    json.Key("member").String(where.Member);
    json.Key("line").Int(where.Line);
    json.EndObject();
}

void WriteTime(JsonWriter& json, const std::optional<LocalTime>& time) {
    if (time)
        json.String(IsoTime(*time));
    else
        json.Null();
}

// Device dates are written by the tool in UTC, unlike every other time in the archive.
void WriteUtcTime(JsonWriter& json, const std::optional<LocalTime>& time) {
    if (time)
        json.String(IsoTime(*time) + "Z");
    else
        json.Null();
}

void WriteNames(JsonWriter& json, const std::vector<std::string>& names) {
    json.BeginArray();
    for (const std::string& name : names)
        json.String(name);
    json.EndArray();
}

void WriteArchive(JsonWriter& json, const Triage& facts, const RenderContext& context) {
    json.Key("archive").BeginObject();
    json.Key("file").String(context.ArchiveName);
    json.Key("members").Int(facts.Members);
    json.Key("verified").Bool(context.Verified);
    json.Key("damaged");
    WriteNames(json, facts.Damaged);
    json.Key("missing_reports");
    WriteNames(json, facts.MissingReports);
    json.Key("over_cap");
    WriteNames(json, facts.OverCap);
    json.EndObject();
}

void WriteSystem(JsonWriter& json, const SystemFacts& system) {
    json.Key("system").BeginObject();
    json.Key("present").Bool(system.Present);
    json.Key("os").String(system.Os);
    json.Key("computer").String(system.Computer);
    json.Key("locale").String(system.Locale);
    json.Key("log_time");
    WriteTime(json, system.LogTime);
    json.Key("bsod_time");
    WriteTime(json, system.BsodTime);
    json.Key("bsod_time_text").String(system.BsodTimeText);
    json.Key("volumes").BeginArray();
    for (const Volume& volume : system.Volumes) {
        json.BeginObject();
        json.Key("name").String(volume.Name);
        json.Key("label").String(volume.Label);
        json.Key("file_system").String(volume.FileSystem);
        json.Key("total").UInt(volume.Total);
        json.Key("free").UInt(volume.Free);
        json.Key("system").Bool(volume.System);
        json.Key("evidence");
        WriteEvidence(json, volume.Where);
        json.EndObject();
    }
    json.EndArray();
    json.EndObject();
}

void WriteDevice(JsonWriter& json, const Device& device) {
    json.BeginObject();
    json.Key("name").String(device.Name);
    json.Key("instance").String(device.Instance);
    json.Key("key").String(device.Key);
    json.Key("class").String(device.Class);
    json.Key("problem").Int(device.Problem);
    json.Key("code").Int(device.Code);
    json.Key("state").Int(device.State);
    json.Key("plugged").Bool(device.Plugged);
    json.Key("reinstall").Bool(device.Reinstall);
    json.Key("rollback").Bool(device.Rollback);
    json.Key("installed");
    WriteUtcTime(json, device.Installed);
    json.Key("driver_date");
    WriteUtcTime(json, device.DriverDate);
    json.Key("version").String(device.Version);
    json.Key("provider").String(device.Provider);
    json.Key("inf").String(device.Inf);
    json.Key("evidence");
    WriteEvidence(json, device.Where);
    json.EndObject();
}

void WriteDevices(JsonWriter& json, const Triage& facts) {
    json.Key("devices").BeginObject();
    json.Key("count").Int(static_cast<long long>(facts.Devices.size()));
    json.Key("with_problems").BeginArray();
    for (const Device* device : DevicesWithProblems(facts))
        WriteDevice(json, *device);
    json.EndArray();
    json.EndObject();
}

std::string HexText(uint64_t value) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "0x%llX", static_cast<unsigned long long>(value));
    return buf;
}

// The decoded member of a dumps[] entry; every key is there, null or empty for a dump that is
// only listed.
void WriteDecodedDump(JsonWriter& json, const DumpFile* file) {
    const DecodedDump* d = file && file->Read ? &file->Decoded : nullptr;
    const bool kernel =
        d && d->Kind != DumpKind::UserMinidump && d->Kind != DumpKind::Unknown && d->HasBugCheck;
    json.Key("member").StringOrNull(file ? file->Member : std::string());
    json.Key("kind").StringOrNull(d ? std::string(DumpKindName(d->Kind)) : std::string());
    json.Key("architecture").StringOrNull(kernel ? MachineName(d->Machine) : std::string_view());
    json.Key("os_build");
    kernel ? json.Int(d->OsBuild) : json.Null();
    json.Key("processors");
    kernel ? json.Int(d->Processors) : json.Null();
    json.Key("bugcheck");
    if (kernel) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%08X", d->BugCheckCode);
        json.BeginObject();
        json.Key("code").String(code);
        json.Key("name").StringOrNull(BugCheckName(d->BugCheckCode));
        json.Key("parameters").BeginArray();
        for (const uint64_t p : d->Parameters)
            json.String(HexText(p));
        json.EndArray();
        json.EndObject();
    } else {
        json.Null();
    }
    json.Key("exception");
    if (kernel && d->ExceptionCode != 0) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%08X", d->ExceptionCode);
        json.BeginObject();
        json.Key("code").String(code);
        json.Key("name").StringOrNull(ExceptionCodeName(d->ExceptionCode));
        json.Key("address").String(HexText(d->ExceptionAddress));
        json.EndObject();
    } else {
        json.Null();
    }
    json.Key("instruction_pointer")
        .StringOrNull(kernel && d->InstructionPointer ? HexText(*d->InstructionPointer)
                                                      : std::string());
    json.Key("faulting_module");
    if (d && d->Faulting) {
        json.BeginObject();
        json.Key("name").String(d->Faulting->Name);
        json.Key("path").String(d->Faulting->Path);
        json.Key("offset").String(HexText(d->Faulting->Offset));
        json.Key("found_by").String(d->Faulting->Source);
        json.EndObject();
    } else {
        json.Null();
    }
    json.Key("stack_modules");
    WriteNames(json, d ? d->StackModules : std::vector<std::string>{});
    json.Key("modules").Int(d ? static_cast<long long>(d->Modules.size()) : 0);
    json.Key("unloaded_modules").BeginArray();
    if (d)
        for (const DumpUnloadedModule& u : d->Unloaded)
            json.String(u.Name);
    json.EndArray();
    json.Key("notes");
    WriteNames(json, d ? d->Notes : std::vector<std::string>{});
}

void WriteCrashes(JsonWriter& json, const Triage& facts) {
    json.Key("crashes").BeginArray();
    for (const CrashLink& crash : facts.Crashes) {
        json.BeginObject();
        json.Key("time").String(crash.DateOnly ? IsoDate(crash.Time)
                                               : IsoTime(crash.Time) + (crash.TimeUtc ? "Z" : ""));
        json.Key("date_only").Bool(crash.DateOnly);
        json.Key("source").String(crash.Source);
        json.Key("dump").StringOrNull(crash.DumpFile ? facts.DumpFiles[*crash.DumpFile].Member
                                                     : std::string());
        json.Key("evidence");
        WriteEvidence(json, crash.Where);
        json.Key("installs_before").BeginArray();
        for (const Device* device : InstallsBefore(facts, crash)) {
            json.BeginObject();
            json.Key("name").String(device->Name);
            json.Key("instance").String(device->Instance);
            json.Key("installed");
            WriteUtcTime(json, device->Installed);
            json.Key("rollback").Bool(device->Rollback);
            json.Key("version").String(device->Version);
            json.Key("evidence");
            WriteEvidence(json, device->Where);
            json.EndObject();
        }
        json.EndArray();
        json.EndObject();
    }
    json.EndArray();

    json.Key("dumps").BeginArray();
    for (const Dump& dump : facts.Dumps) {
        json.BeginObject();
        json.Key("name").String(dump.Name);
        const DumpFile* file = dump.File ? &facts.DumpFiles[*dump.File] : nullptr;
        json.Key("time");
        if (file && file->Decoded.Time)
            json.String(IsoTime(FromUnixSeconds(*file->Decoded.Time)) + "Z");
        else if (dump.Time && dump.DateOnly)
            json.String(IsoDate(*dump.Time));
        else
            WriteTime(json, dump.Time);
        json.Key("date_only").Bool(dump.DateOnly);
        json.Key("time_text").String(dump.TimeText);
        json.Key("size").UInt(dump.Size);
        json.Key("full_dump").Bool(dump.FullDump);
        json.Key("in_archive").Bool(dump.Member);
        json.Key("evidence");
        WriteEvidence(json, dump.Where);
        WriteDecodedDump(json, file);
        json.EndObject();
    }
    json.EndArray();
}

void WriteInstalls(JsonWriter& json, const Triage& facts) {
    json.Key("driver_installs").BeginObject();
    json.Key("sections").Int(static_cast<long long>(facts.Installs.size()));
    json.Key("failed").BeginArray();
    for (const InstallSection* section : FailedInstallSections(facts)) {
        json.BeginObject();
        json.Key("device").String(section->Device);
        json.Key("start");
        WriteTime(json, section->Start);
        json.Key("status").String(section->Status);
        json.Key("title").String(section->Title);
        json.Key("inf").String(section->Inf);
        json.Key("errors");
        WriteNames(json, section->Errors);
        json.Key("evidence");
        WriteEvidence(json, section->Where);
        json.EndObject();
    }
    json.EndArray();
    json.EndObject();
}

void WriteNetwork(JsonWriter& json, const Triage& facts) {
    json.Key("network").BeginObject();
    json.Key("hosts_redirects").BeginArray();
    for (const HostsEntry* entry : HostsRedirects(facts)) {
        json.BeginObject();
        json.Key("host").String(entry->Host);
        json.Key("address").String(entry->Address);
        json.Key("evidence");
        WriteEvidence(json, entry->Where);
        json.EndObject();
    }
    json.EndArray();
    json.Key("maker_host_resolves").Bool(facts.MakerHostResolves);
    json.Key("ping").BeginObject();
    json.Key("present").Bool(facts.Ping.Present);
    json.Key("host").String(facts.Ping.Host);
    json.Key("address").String(facts.Ping.Address);
    json.Key("text").String(facts.Ping.Text);
    json.EndObject();
    json.EndObject();
}

void WriteFindings(JsonWriter& json, const Triage& facts) {
    json.Key("findings").BeginArray();
    for (const Finding* finding : FindingsBySeverity(facts)) {
        json.BeginObject();
        json.Key("severity").String(SeverityName(finding->Level));
        json.Key("id").String(finding->Id);
        json.Key("text").String(finding->Text);
        json.Key("evidence").BeginArray();
        for (const Evidence& where : finding->Evidence)
            WriteEvidence(json, where);
        json.EndArray();
        json.EndObject();
    }
    json.EndArray();
}

void WriteRest(JsonWriter& json, const Triage& facts) {
    json.Key("product_log_days").BeginArray();
    for (const LocalTime& day : facts.ProductLogDays)
        json.String(IsoDate(day));
    json.EndArray();
    json.Key("editions").BeginArray();
    for (const EditionFiles& edition : facts.Editions) {
        json.BeginObject();
        json.Key("member").String(edition.Member);
        json.Key("edition").String(edition.Edition);
        json.Key("files").Int(edition.Files);
        json.Key("without_digest").Int(edition.WithoutDigest);
        json.EndObject();
    }
    json.EndArray();
    json.Key("notes").BeginArray();
    for (const ReadNote& note : facts.Notes) {
        json.BeginObject();
        json.Key("id").String(note.Id);
        json.Key("text").String(note.Text);
        json.Key("evidence");
        WriteEvidence(json, note.Where);
        json.EndObject();
    }
    json.EndArray();
}

std::string_view ChangeKindName(ChangeKind kind) {
    switch (kind) {
    case ChangeKind::DeviceAdded:
        return "device_added";
    case ChangeKind::DeviceRemoved:
        return "device_removed";
    case ChangeKind::DriverChanged:
        return "driver_changed";
    case ChangeKind::ProblemAppeared:
        return "problem_appeared";
    case ChangeKind::ProblemCleared:
        return "problem_cleared";
    case ChangeKind::CrashAdded:
        break;
    }
    return "crash_added";
}

void WriteSide(JsonWriter& json, const Triage& facts, const RenderContext& context) {
    json.BeginObject();
    json.Key("file").String(context.ArchiveName);
    json.Key("members").Int(facts.Members);
    json.Key("log_time");
    WriteTime(json, facts.System.LogTime);
    json.Key("devices").Int(static_cast<long long>(facts.Devices.size()));
    json.EndObject();
}

} // namespace

std::string RenderJson(const Triage& facts, const RenderContext& context) {
    JsonWriter json;
    json.BeginObject();
    json.Key("schema").Int(JsonSchemaVersion);
    WriteArchive(json, facts, context);
    WriteFindings(json, facts);
    WriteSystem(json, facts.System);
    WriteDevices(json, facts);
    WriteCrashes(json, facts);
    WriteInstalls(json, facts);
    WriteNetwork(json, facts);
    WriteRest(json, facts);
    json.EndObject();
    return json.Finish();
}

std::string RenderDiffJson(const ArchiveDiff& diff, const Triage& older,
                           const RenderContext& olderContext, const Triage& newer,
                           const RenderContext& newerContext) {
    JsonWriter json;
    json.BeginObject();
    json.Key("schema").Int(JsonSchemaVersion);
    json.Key("older");
    WriteSide(json, older, olderContext);
    json.Key("newer");
    WriteSide(json, newer, newerContext);
    json.Key("changes").BeginArray();
    for (const Change& change : diff.Changes) {
        json.BeginObject();
        json.Key("kind").String(ChangeKindName(change.Kind));
        json.Key("id").String(change.Id);
        json.Key("device").String(change.Device);
        json.Key("name").String(change.Name);
        json.Key("before").String(change.Before);
        json.Key("after").String(change.After);
        json.Key("text").String(change.Text);
        json.Key("old_evidence");
        WriteEvidence(json, change.OldWhere);
        json.Key("new_evidence");
        WriteEvidence(json, change.NewWhere);
        json.EndObject();
    }
    json.EndArray();
    json.EndObject();
    return json.Finish();
}

} // namespace pv::triage

// Validates glTF files with the Khronos glTF validator and prints, for each
// file, one summary line and one line for every error and warning.
// Usage: node validate.js FILE...   Exit status 1 when any file has errors,
// 2 when the validator is not installed (run scripts/install-deps).
'use strict';
const fs = require('fs');
const path = require('path');

let validator;
try {
    validator = require('gltf-validator');
} catch (e) {
    console.error('gltf-validator is not installed in ' + __dirname);
    process.exit(2);
}

async function validate(file) {
    const report = await validator.validateBytes(new Uint8Array(fs.readFileSync(file)), {
        uri: path.basename(file),
        maxIssues: 100,
        externalResourceFunction: (uri) => new Promise((resolve, reject) => {
            fs.readFile(path.resolve(path.dirname(file), decodeURIComponent(uri)), (err, data) => {
                if (err)
                    reject(err.toString());
                else
                    resolve(new Uint8Array(data));
            });
        }),
    });
    const i = report.issues;
    console.log(`${file}: ${i.numErrors} errors, ${i.numWarnings} warnings, ${i.numInfos} infos, ${i.numHints} hints`);
    for (const m of i.messages) {
        if (m.severity <= 1)
            console.log(`  ${m.severity === 0 ? 'error' : 'warning'} ${m.code} ${m.pointer || ''}: ${m.message}`);
    }
    return i.numErrors;
}

(async () => {
    let errors = 0;
    for (const file of process.argv.slice(2))
        errors += await validate(file);
    process.exit(errors > 0 ? 1 : 0);
})().catch((e) => {
    console.error(String(e));
    process.exit(1);
});
